#include "midi/midi_input.h"

#include "base/error.h"
#include "midi/handler_slot.h"
#include "midi/midi_in_driver.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <utility>

namespace tonvarra::midi {

namespace {

// Set while this thread runs a handler, so that a Close from inside a delivery
// fails instead of waiting for itself.
thread_local const void* deliveringFor = nullptr;

std::string DeviceError(const char* format, std::int32_t DeviceIndex) {
    char text[160];
    std::snprintf(text, sizeof text, format, "TMidiInput", static_cast<int>(DeviceIndex));
    return text;
}

} // namespace

struct TMidiInput::Impl {
    // One row of DeviceNames: the open handle (its object slot) and the device's
    // receive buffer. Its address is the instance value given to the driver, so
    // the callback finds its row without a lookup.
    struct DeviceRow {
        Impl* owner = nullptr;
        std::int32_t index = 0;
        MidiInHandle handle = NoMidiInHandle;
        TSysExData sysEx;
    };

    explicit Impl(std::unique_ptr<MidiInDriver> d)
        : driver(std::move(d)) {}

    static void InputCallback(MidiInHandle handle, std::uint32_t message, std::uintptr_t instance,
                              std::uintptr_t param1, std::uintptr_t param2);

    [[nodiscard]] MidiInHandle HandleOf(std::int32_t DeviceIndex) const {
        if (DeviceIndex < 0 || static_cast<std::size_t>(DeviceIndex) >= rows.size()) {
            throw Error(DeviceError("%s: Device index out of bounds! (%d)", DeviceIndex));
        }
        return rows[static_cast<std::size_t>(DeviceIndex)]->handle;
    }

    [[nodiscard]] DeviceRow& Row(std::int32_t DeviceIndex) const {
        return *rows[static_cast<std::size_t>(DeviceIndex)];
    }

    void CheckResult(MidiResult code) {
        if (code == midi_result::NoError) {
            return;
        }
        std::string text;
        if (driver->GetErrorText(code, text) == midi_result::NoError) {
            throw Error(text);
        }
        // Without a text the failure still stands: going on as if it had succeeded
        // would count a device as open that is not.
        throw Error("Unknown MIDI error (code " + std::to_string(code) + ")");
    }

    void HandleSysExBuffer(DeviceRow& row);
    // Runs every step of Close whatever fails, for the destructor.
    void CloseQuietly(DeviceRow& row);

    std::vector<std::unique_ptr<DeviceRow>> rows; // DeviceNames' object slots and SysExBuffers
    HandlerSlot<ShortMessageHandler> onShortMessage;
    HandlerSlot<SysExHandler> onSysExBlock;
    std::atomic<std::uint64_t> deliveryFaults{0};
    // Declared last so that it is destroyed first: the driver's last callback
    // returns before the rows it points at go away.
    std::unique_ptr<MidiInDriver> driver;
};

void TMidiInput::Impl::InputCallback(MidiInHandle /*handle*/, std::uint32_t message, std::uintptr_t instance,
                                     std::uintptr_t param1, std::uintptr_t /*param2: time stamp*/) {
    auto& row = *reinterpret_cast<DeviceRow*>(instance);
    Impl& self = *row.owner;
    const void* outer = deliveringFor;
    deliveringFor = &self;
    // No exception may leave the driver's thread; a fault is counted instead.
    try {
        if (message == MIM_DATA) {
            if (const ShortMessageHandler handler = self.onShortMessage.Get()) {
                handler(row.index, static_cast<std::uint8_t>(param1 & 0xFF),
                        static_cast<std::uint8_t>((param1 >> 8) & 0xFF),
                        static_cast<std::uint8_t>((param1 >> 16) & 0xFF));
            }
        } else if (message == MIM_LONGDATA) {
            self.HandleSysExBuffer(row);
        }
    } catch (...) {
        self.deliveryFaults.fetch_add(1, std::memory_order_relaxed);
    }
    deliveringFor = outer;
}

void TMidiInput::Impl::HandleSysExBuffer(DeviceRow& row) {
    TSysExData& data = row.sysEx;
    // The buffer a reset returns comes back empty and stays unqueued.
    if (data.Header.dwBytesRecorded == 0) {
        return;
    }
    data.Stream.insert(data.Stream.end(), data.Buffer.begin(),
                       data.Buffer.begin() + data.Header.dwBytesRecorded);
    if ((data.Header.dwFlags & MHDR_DONE) != 0) {
        if (const SysExHandler handler = onSysExBlock.Get()) {
            handler(row.index, data.Stream);
        }
        data.Stream.clear();
    }
    data.Header.dwBytesRecorded = 0;
    CheckResult(driver->PrepareHeader(row.handle, data.Header));
    CheckResult(driver->AddBuffer(row.handle, data.Header));
}

void TMidiInput::Impl::CloseQuietly(DeviceRow& row) {
    (void)driver->Stop(row.handle);
    (void)driver->Reset(row.handle);
    (void)driver->UnprepareHeader(row.handle, row.sysEx.Header);
    (void)driver->Close(row.handle);
    row.handle = NoMidiInHandle;
}

TMidiDevices::~TMidiDevices() = default;

TMidiInput::TMidiInput(std::unique_ptr<MidiInDriver> driver)
    : impl_(std::make_unique<Impl>(std::move(driver))) {
    const std::uint32_t count = impl_->driver->GetNumDevs();
    for (std::uint32_t device = 0; device < count; ++device) {
        std::string name;
        impl_->CheckResult(impl_->driver->GetDevCaps(device, name));
        deviceNames_.push_back(std::move(name));
        auto row = std::make_unique<Impl::DeviceRow>();
        row->owner = impl_.get();
        row->index = static_cast<std::int32_t>(device);
        row->sysEx.Stream.reserve(TSysExData::BufferSize);
        impl_->rows.push_back(std::move(row));
    }
}

TMidiInput::~TMidiInput() {
    for (auto& row : impl_->rows) {
        if (row->handle != NoMidiInHandle) {
            impl_->CloseQuietly(*row);
        }
    }
}

void TMidiInput::Open(std::int32_t DeviceIndex) {
    if (impl_->HandleOf(DeviceIndex) != NoMidiInHandle) {
        return;
    }
    Impl::DeviceRow& row = impl_->Row(DeviceIndex);
    MidiInHandle handle = NoMidiInHandle;
    impl_->CheckResult(impl_->driver->Open(handle, static_cast<std::uint32_t>(DeviceIndex),
                                           &Impl::InputCallback, reinterpret_cast<std::uintptr_t>(&row)));
    // From here on the device counts as open, so that a later Close releases it
    // even when one of the next steps fails.
    row.handle = handle;
    TSysExData& data = row.sysEx;
    data.Header.dwFlags = 0;
    impl_->CheckResult(impl_->driver->PrepareHeader(handle, data.Header));
    impl_->CheckResult(impl_->driver->AddBuffer(handle, data.Header));
    impl_->CheckResult(impl_->driver->Start(handle));
}

void TMidiInput::Close(std::int32_t DeviceIndex) {
    if (impl_->HandleOf(DeviceIndex) == NoMidiInHandle) {
        return;
    }
    if (deliveringFor == impl_.get()) {
        throw Error(DeviceError("%s: Device %d cannot be closed from inside a MIDI delivery", DeviceIndex));
    }
    Impl::DeviceRow& row = impl_->Row(DeviceIndex);
    impl_->CheckResult(impl_->driver->Stop(row.handle));
    impl_->CheckResult(impl_->driver->Reset(row.handle));
    impl_->CheckResult(impl_->driver->UnprepareHeader(row.handle, row.sysEx.Header));
    impl_->CheckResult(impl_->driver->Close(row.handle));
    row.handle = NoMidiInHandle;
}

bool TMidiInput::IsOpen(std::int32_t DeviceIndex) const {
    return impl_->HandleOf(DeviceIndex) != NoMidiInHandle;
}

void TMidiInput::SetOnShortMessage(ShortMessageHandler handler) {
    impl_->onShortMessage.Set(handler);
}

ShortMessageHandler TMidiInput::OnShortMessage() const {
    return impl_->onShortMessage.Get();
}

void TMidiInput::SetOnSysExBlock(SysExHandler handler) {
    impl_->onSysExBlock.Set(handler);
}

SysExHandler TMidiInput::OnSysExBlock() const {
    return impl_->onSysExBlock.Get();
}

std::uint64_t TMidiInput::DeliveryFaults() const {
    return impl_->deliveryFaults.load(std::memory_order_relaxed);
}

std::uint64_t TMidiInput::LostMessages() const {
    return impl_->driver->LostMessages();
}

} // namespace tonvarra::midi
