#pragma once

// UinputKeyboard: the KeyboardPort over Linux uinput, for sessions without an X
// display (Wayland, the console). One virtual keyboard, made once and kept for
// the whole run; characters map by a US layout.

#include "keys/keyboard_port.h"

#include <memory>
#include <string>

namespace tonvarra::keys {

class UinputKeyboard : public KeyboardPort {
public:
    // A port with its virtual keyboard, or nullptr with the reason in whyNot.
    [[nodiscard]] static std::unique_ptr<UinputKeyboard> Open(MessageSink sink, std::string& whyNot,
                                                              const char* path = "/dev/uinput");
    ~UinputKeyboard() override; // releases every key it holds down

    UinputKeyboard(const UinputKeyboard&) = delete;
    UinputKeyboard& operator=(const UinputKeyboard&) = delete;

    [[nodiscard]] KeyCode CharToKeyCode(char c) override;
    [[nodiscard]] std::uint8_t ScanCode(VirtualKey vk) override;
    void KeyEvent(VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override;
    [[nodiscard]] bool NumLockOn() override;
    void GetKeyboardState(std::span<std::uint8_t, 256> state) override;
    void SetKeyboardState(std::span<const std::uint8_t, 256> state) override;
    void Drain() override;
    void MessageBox(std::string_view text) override;
    void ReleaseAll() override;

    // The device node of the virtual keyboard ("/dev/input/eventN"), for tests.
    [[nodiscard]] std::string DeviceNode() const;

    struct Impl;

private:
    explicit UinputKeyboard(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The evdev KEY_* code of a virtual key (the extended flag picks the main-block
// key over the keypad key), 0 when it has none.
[[nodiscard]] unsigned EvdevKeyCode(VirtualKey vk, bool extended);

} // namespace tonvarra::keys
