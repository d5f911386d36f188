#include "keys/system_keyboard.h"

#include "keys/uinput_keyboard.h"
#include "keys/us_layout.h"
#include "keys/xtest_keyboard.h"

#include <algorithm>

namespace tonvarra::keys {

KeyCode NoKeyboardPort::CharToKeyCode(char c) {
    return UsLayoutKeyCode(c);
}

std::uint8_t NoKeyboardPort::ScanCode(VirtualKey vk) {
    return UsLayoutScanCode(vk);
}

void NoKeyboardPort::GetKeyboardState(std::span<std::uint8_t, 256> state) {
    std::fill(state.begin(), state.end(), std::uint8_t{0});
    state[0x90] = numLock_ ? 1 : 0;
}

void NoKeyboardPort::SetKeyboardState(std::span<const std::uint8_t, 256> state) {
    numLock_ = (state[0x90] & 1) != 0;
}

void NoKeyboardPort::MessageBox(std::string_view text) {
    if (sink_) {
        sink_(std::string(text));
    }
}

std::unique_ptr<KeyboardPort> MakeSystemKeyboardPort(std::function<void(std::string)> messageSink) {
    return MakeKeyboardPort(std::move(messageSink), nullptr, "/dev/uinput");
}

std::unique_ptr<KeyboardPort> MakeKeyboardPort(MessageSink messageSink, const char* displayName,
                                               const char* uinputPath) {
    std::string whyNotX;
    if (auto port = XTestKeyboard::Open(messageSink, whyNotX, displayName)) {
        return port;
    }
    std::string whyNotUinput;
    if (auto port = UinputKeyboard::Open(messageSink, whyNotUinput, uinputPath)) {
        return port;
    }
    // Said once, here; the port itself stays silent about it.
    if (messageSink) {
        messageSink("Keystrokes cannot be sent: " + whyNotX + ", and " + whyNotUinput +
                    ". MIDI is received and matched, but hotkeys type nothing. The README "
                    "explains how to allow /dev/uinput.");
    }
    return std::make_unique<NoKeyboardPort>(std::move(messageSink));
}

} // namespace tonvarra::keys
