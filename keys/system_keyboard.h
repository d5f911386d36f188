#pragma once

// The keyboard port the program uses: XTest where an X display opens, else
// uinput where /dev/uinput opens, else a port that sends nothing and says once,
// through the sink, why keystrokes cannot be sent.

#include "keys/keyboard_port.h"

#include <functional>
#include <memory>
#include <string>

namespace tonvarra::keys {

[[nodiscard]] std::unique_ptr<KeyboardPort>
MakeSystemKeyboardPort(std::function<void(std::string)> messageSink);

// The same choice over a given display (nullptr: $DISPLAY) and uinput device.
[[nodiscard]] std::unique_ptr<KeyboardPort> MakeKeyboardPort(MessageSink messageSink, const char* displayName,
                                                             const char* uinputPath);

// The port that sends nothing: characters map by a US layout so that sequences
// are still read and checked; messages go to the sink.
class NoKeyboardPort : public KeyboardPort {
public:
    explicit NoKeyboardPort(MessageSink sink)
        : sink_(std::move(sink)) {}

    [[nodiscard]] KeyCode CharToKeyCode(char c) override;
    [[nodiscard]] std::uint8_t ScanCode(VirtualKey vk) override;
    void KeyEvent(VirtualKey, std::uint8_t, std::uint32_t) override {}
    [[nodiscard]] bool NumLockOn() override { return numLock_; }
    void GetKeyboardState(std::span<std::uint8_t, 256> state) override;
    void SetKeyboardState(std::span<const std::uint8_t, 256> state) override;
    void Drain() override {}
    void MessageBox(std::string_view text) override;
    void ReleaseAll() override {}

private:
    MessageSink sink_;
    bool numLock_ = false;
};

} // namespace tonvarra::keys
