#pragma once

// KeyboardPort: the one interface through which key sequences reach the system.
// It is shaped after the services that the key-sequence algorithms were written
// against, so SendKeys reads the same over every implementation (XTest, uinput,
// the recording port of the tests). Virtual keys keep the Windows numbering.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tonvarra::keys {

using VirtualKey = std::uint8_t;

// KeyCode: low byte a virtual key, high byte the shift state it needs
// (0x01 Shift, 0x02 Control, 0x04 Alt). kNoKey stands for no key.
using KeyCode = std::uint16_t;
inline constexpr KeyCode kNoKey = 0xFFFF;

// Where a port hands its messages (caption "SendKeys"); the program posts them to
// the GUI thread, so calling it never waits for the user.
using MessageSink = std::function<void(std::string)>;

inline constexpr std::uint32_t kExtendedKeyFlag = 0x1;
inline constexpr std::uint32_t kKeyUpFlag = 0x2;

class KeyboardPort {
public:
    virtual ~KeyboardPort() = default;

    // The key that types this Windows-1252 character in the current layout, with
    // the shift state it needs, or kNoKey.
    [[nodiscard]] virtual KeyCode CharToKeyCode(char c) = 0;
    // The scan code of a virtual key (0 when there is none).
    [[nodiscard]] virtual std::uint8_t ScanCode(VirtualKey vk) = 0;
    // One key event: flags kExtendedKeyFlag and kKeyUpFlag.
    virtual void KeyEvent(VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) = 0;
    // The NUM LOCK toggle state (bit 0 of the key state of 0x90).
    [[nodiscard]] virtual bool NumLockOn() = 0;
    // The calling thread's 256 key-state bytes; bit 0 of a byte is the toggle state.
    virtual void GetKeyboardState(std::span<std::uint8_t, 256> state) = 0;
    virtual void SetKeyboardState(std::span<const std::uint8_t, 256> state) = 0;
    // Waits until the events sent so far have been handed on (the drain that
    // follows each event when a caller asks to wait).
    virtual void Drain() = 0;
    // Shows a message of the key-sequence sender (caption "SendKeys"). Never
    // blocks the calling thread for the user's answer.
    virtual void MessageBox(std::string_view text) = 0;
    // Releases every key that this program holds down.
    virtual void ReleaseAll() = 0;
};

} // namespace tonvarra::keys
