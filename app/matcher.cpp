#include "app/matcher.h"

#include "app/event_text.h"
#include "app/guarded_sender.h"
#include "app/hotkey_index.h"
#include "app/key_repeat.h"
#include "base/cp1252.h"

#include <atomic>
#include <exception>
#include <mutex>

namespace tonvarra::app {

namespace {

constexpr std::uint8_t kActiveSensing = 0xFE;
constexpr const char* kUntypable = "The key sequence holds a character that no key can type.";

struct Event {
    std::uint8_t Status = 0;
    std::uint8_t Data1 = 0;
    std::uint8_t Data2 = 0;
};

} // namespace

struct Matcher::Impl {
    Impl(keys::KeyboardPort& port, Reporter report, IncomingNotifier incoming, Options options)
        : sender(port, report)
        , repeat(sender, options.keyRepeatPeriod)
        , report(std::move(report))
        , incoming(std::move(incoming)) {}

    void checkClick(const Event& event);
    void Fire(const std::shared_ptr<const HotkeyIndex>& table, std::size_t row);
    void Notify();
    void ReportNow(const std::string& message) noexcept;

    GuardedSender sender;
    KeyRepeat repeat;
    Reporter report;
    IncomingNotifier incoming;

    // EventLock guards LastEvent only, and only while its three bytes are copied.
    std::mutex EventLock;
    Event LastEvent;
    bool anyEvent = false;
    std::atomic<bool> incomingPending{false};

    // Held only to copy or swap the pointer; the table itself is never changed.
    mutable std::mutex tableLock;
    std::shared_ptr<const HotkeyIndex> table = std::make_shared<const HotkeyIndex>();
    [[nodiscard]] std::shared_ptr<const HotkeyIndex> CurrentTable() const {
        std::lock_guard lock(tableLock);
        return table;
    }
    std::atomic<bool> actionsEnabled{true};
    std::atomic<bool> stopOnReleaseArmed{false};
};

Matcher::Matcher(keys::KeyboardPort& port, Reporter report, IncomingNotifier incoming)
    : Matcher(port, std::move(report), std::move(incoming), Options{}) {}

Matcher::Matcher(keys::KeyboardPort& port, Reporter report, IncomingNotifier incoming, Options options)
    : impl_(std::make_unique<Impl>(port, std::move(report), std::move(incoming), options)) {}

Matcher::~Matcher() {
    impl_->repeat.SwitchOffAndWait();
    try {
        impl_->sender.port().ReleaseAll();
    } catch (...) {
        // Nothing to tell at the program's end.
    }
}

void Matcher::HandleMidiData(std::int32_t /*DeviceIndex: any open device fires*/, std::uint8_t Status,
                             std::uint8_t Data1, std::uint8_t Data2) {
    if (Status == kActiveSensing) {
        return;
    }
    const Event event{Status, Data1, Data2};
    {
        std::lock_guard lock(impl_->EventLock);
        impl_->LastEvent = event;
        impl_->anyEvent = true;
    }
    impl_->Notify();
    // The message's own bytes, not LastEvent: another device's delivery may have replaced it.
    try {
        impl_->checkClick(event);
    } catch (const std::exception& e) {
        impl_->ReportNow(e.what());
    } catch (...) {
        impl_->ReportNow("The MIDI message could not be handled.");
    }
}

midi::ShortMessageHandler Matcher::handler() {
    return midi::ShortMessageHandler::bind<&Matcher::HandleMidiData>(this);
}

void Matcher::Publish(const store::HotkeyTable::Snapshot& rows) {
    auto compiled = rows ? std::make_shared<const HotkeyIndex>(*rows) : std::make_shared<const HotkeyIndex>();
    {
        std::lock_guard lock(impl_->tableLock);
        impl_->table.swap(compiled);
    }
    // The old table is freed here, outside the lock, unless a delivery or a hold still uses it.
    impl_->sender.ForgetReported();
}

void Matcher::SetActionsEnabled(bool enabled) {
    impl_->actionsEnabled.store(enabled);
    impl_->repeat.SetHoldsAllowed(enabled);
}

bool Matcher::ActionsEnabled() const {
    return impl_->actionsEnabled.load();
}
bool Matcher::StopOnReleaseArmed() const {
    return impl_->stopOnReleaseArmed.load();
}
bool Matcher::Repeating() const {
    return impl_->repeat.Enabled();
}
std::string Matcher::HeldKeys() const {
    return Cp1252ToUtf8(impl_->repeat.HeldKeys());
}

void Matcher::StopAll() {
    impl_->repeat.SwitchOffAndWait();
    try {
        impl_->sender.port().ReleaseAll();
    } catch (const std::exception& e) {
        impl_->ReportNow(e.what());
    }
}

std::string Matcher::TakeIncomingText() {
    // Cleared before reading, so a message that arrives after the read notifies again.
    impl_->incomingPending.store(false);
    Event event;
    {
        std::lock_guard lock(impl_->EventLock);
        if (!impl_->anyEvent) {
            return "Incoming:";
        }
        event = impl_->LastEvent;
    }
    return IncomingText(event.Status, event.Data1, event.Data2);
}

void Matcher::Impl::Notify() {
    // One notification at a time: a flood of messages shows only the newest text.
    if (incomingPending.exchange(true)) {
        return;
    }
    try {
        if (incoming) {
            incoming();
        }
    } catch (...) {
        incomingPending.store(false);
    }
}

void Matcher::Impl::checkClick(const Event& event) {
    const auto current = CurrentTable();
    const ScanResult found = current->Scan(event.Status, event.Data1, event.Data2, stopOnReleaseArmed.load());
    if (found.releaseStop) {
        repeat.SwitchOff();
    }
    // A matched hotkey that may not fire is not replaced by an earlier one.
    if (found.row == ScanResult::kNone || !actionsEnabled.load()) {
        return;
    }
    Fire(current, static_cast<std::size_t>(found.row));
}

void Matcher::Impl::Fire(const std::shared_ptr<const HotkeyIndex>& current, std::size_t row) {
    const CompiledHotkey& hotkey = current->row(row);
    if (!hotkey.enabled || hotkey.kind == ActionKind::Other) {
        return;
    }
    if (!hotkey.outgoing) {
        if (hotkey.kind != ActionKind::keyn) {
            repeat.SwitchOff(); // the hold could never be sent
        }
        sender.ReportOnce(std::to_string(row), {kUntypable});
        return;
    }
    switch (hotkey.kind) {
    case ActionKind::keyn:
        sender.ReportOnce(*hotkey.outgoing, sender.Send(*hotkey.outgoing));
        break;
    case ActionKind::keystroke:
    case ActionKind::keystroker:
        // Shares the table's copy of the text: no allocation on the delivery thread.
        if (repeat.Hold(KeyRepeat::Sequence(current, &*hotkey.outgoing)) &&
            hotkey.kind == ActionKind::keystroker) {
            stopOnReleaseArmed.store(true);
        }
        break;
    case ActionKind::Other:
        break;
    }
}

void Matcher::Impl::ReportNow(const std::string& message) noexcept {
    try {
        if (report) {
            report(message);
        }
    } catch (...) {
        // The reporter belongs to the window; its failure must not end this thread.
    }
}

} // namespace tonvarra::app
