#pragma once

// RecordingKeyboard: a KeyboardPort for tests. It records every key event and
// message instead of sending them, answers the character mapping like a US
// layout (or a mapping the test gives it), and keeps a key-state table.

#include "keys/keyboard_port.h"

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tonvarra::test {

class RecordingKeyboard : public keys::KeyboardPort {
public:
    struct Event {
        keys::VirtualKey vk;
        std::uint8_t scanCode;
        std::uint32_t flags;
        friend bool operator==(const Event&, const Event&) = default;
    };

    RecordingKeyboard();

    [[nodiscard]] keys::KeyCode CharToKeyCode(char c) override;
    [[nodiscard]] std::uint8_t ScanCode(keys::VirtualKey vk) override;
    void KeyEvent(keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override;
    [[nodiscard]] bool NumLockOn() override;
    void GetKeyboardState(std::span<std::uint8_t, 256> state) override;
    void SetKeyboardState(std::span<const std::uint8_t, 256> state) override;
    void Drain() override;
    void MessageBox(std::string_view text) override;
    void ReleaseAll() override;

    // Replaces the US mapping, for layouts where a character sits elsewhere.
    void SetCharMapping(std::function<keys::KeyCode(char)> mapping);

    [[nodiscard]] std::vector<Event> Events() const;
    [[nodiscard]] std::vector<std::string> Messages() const;
    // Events and messages in the order they came: "+SHIFT +A -A -SHIFT",
    // "*" marks the extended flag, "[No Close]" a message.
    [[nodiscard]] std::string Trace() const;
    [[nodiscard]] int Drains() const;
    [[nodiscard]] int ReleaseAllCalls() const;
    // The virtual keys that are down now.
    [[nodiscard]] std::vector<keys::VirtualKey> KeysDown() const;
    [[nodiscard]] std::array<std::uint8_t, 256> KeyboardState() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::function<keys::KeyCode(char)> mapping_;
    std::vector<Event> events_;
    std::vector<std::string> messages_;
    std::vector<std::string> trace_;
    std::array<bool, 256> down_{};
    std::array<std::uint8_t, 256> state_{};
    int drains_ = 0;
    int releaseAllCalls_ = 0;
};

// A short name for a virtual key: "A", "7", "SHIFT", "TAB", "LEFT", else "0xDB".
[[nodiscard]] std::string VirtualKeyName(keys::VirtualKey vk);

} // namespace tonvarra::test
