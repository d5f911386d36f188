#pragma once

// XTestKeyboard: the KeyboardPort over X11. Key events go out through XTest on
// a Display connection of its own; characters map through the live XKB keymap.

#include "keys/keyboard_port.h"

#include <memory>
#include <string>

namespace tonvarra::keys {

class XTestKeyboard : public KeyboardPort {
public:
    // A port on displayName (nullptr: $DISPLAY), or nullptr with the reason in
    // whyNot when the display cannot be opened or lacks XTest or XKB.
    [[nodiscard]] static std::unique_ptr<XTestKeyboard> Open(MessageSink sink, std::string& whyNot,
                                                             const char* displayName = nullptr);
    ~XTestKeyboard() override; // releases every key it holds down

    XTestKeyboard(const XTestKeyboard&) = delete;
    XTestKeyboard& operator=(const XTestKeyboard&) = delete;

    [[nodiscard]] KeyCode CharToKeyCode(char c) override;
    [[nodiscard]] std::uint8_t ScanCode(VirtualKey vk) override;
    void KeyEvent(VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override;
    [[nodiscard]] bool NumLockOn() override;
    void GetKeyboardState(std::span<std::uint8_t, 256> state) override;
    void SetKeyboardState(std::span<const std::uint8_t, 256> state) override;
    void Drain() override;
    void MessageBox(std::string_view text) override;
    void ReleaseAll() override;

    struct Impl;

private:
    explicit XTestKeyboard(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace tonvarra::keys
