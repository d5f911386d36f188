#include "app/guarded_sender.h"

#include "keys/sendkeys.h"

#include <exception>

namespace tonvarra::app {

namespace {

// Passes the key events through and keeps the messages of the one SendKeys
// call it serves, so that the call never waits for the user. Once aborted it
// lets only the releases of keys it pressed through.
class CapturingPort final : public keys::KeyboardPort {
public:
    CapturingPort(keys::KeyboardPort& inner, const std::atomic<bool>* abort)
        : inner_(inner)
        , abort_(abort) {}

    keys::KeyCode CharToKeyCode(char c) override { return inner_.CharToKeyCode(c); }
    std::uint8_t ScanCode(keys::VirtualKey vk) override { return inner_.ScanCode(vk); }
    void KeyEvent(keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override {
        const bool up = (flags & keys::kKeyUpFlag) != 0;
        if (Aborted() && !(up && down_[vk])) {
            return;
        }
        inner_.KeyEvent(vk, scanCode, flags);
        down_[vk] = !up;
    }
    bool NumLockOn() override { return inner_.NumLockOn(); }
    void GetKeyboardState(std::span<std::uint8_t, 256> state) override { inner_.GetKeyboardState(state); }
    void SetKeyboardState(std::span<const std::uint8_t, 256> state) override {
        inner_.SetKeyboardState(state);
    }
    void Drain() override {
        if (!Aborted()) {
            inner_.Drain();
        }
    }
    void MessageBox(std::string_view text) override { messages.emplace_back(text); }
    void ReleaseAll() override { inner_.ReleaseAll(); }

    std::vector<std::string> messages;

private:
    [[nodiscard]] bool Aborted() const {
        return abort_ != nullptr && abort_->load(std::memory_order_relaxed);
    }

    keys::KeyboardPort& inner_;
    const std::atomic<bool>* abort_;
    std::bitset<256> down_;
};

} // namespace

GuardedSender::GuardedSender(keys::KeyboardPort& port, Reporter report)
    : port_(port)
    , report_(std::move(report)) {}

std::vector<std::string> GuardedSender::Send(std::string_view sequence, const std::atomic<bool>* abort) {
    CapturingPort capture(port_, abort);
    try {
        // The result only tells an empty or unclosed sequence apart; the messages say why.
        (void)keys::SendKeys(capture, sequence, true);
    } catch (const std::exception& e) {
        capture.messages.emplace_back(e.what());
    } catch (...) {
        capture.messages.emplace_back("The key sequence could not be sent.");
    }
    return std::move(capture.messages);
}

void GuardedSender::ReportOnce(std::string_view sequence, const std::vector<std::string>& messages) {
    for (const auto& message : messages) {
        std::string key(sequence);
        key += '\0';
        key += message;
        {
            std::lock_guard lock(reportedLock_);
            if (!reported_.insert(std::move(key)).second) {
                continue;
            }
        }
        try {
            report_(message);
        } catch (...) {
            // The reporter belongs to the window; its failure must not end this thread.
        }
    }
}

void GuardedSender::ForgetReported() {
    std::lock_guard lock(reportedLock_);
    reported_.clear();
}

} // namespace tonvarra::app
