#pragma once

// KeySender: the building blocks that turn parsed key actions into key events
// on a KeyboardPort, with the state of one SendKeys call (the group flag and the
// three held-modifier flags).

#include "keys/key_sequence.h"
#include "keys/keyboard_port.h"

#include <cstdint>
#include <string_view>

namespace tonvarra::keys {

class KeySender {
public:
    KeySender(KeyboardPort& port, bool wait)
        : port_(port)
        , wait_(wait) {}

    // Runs one action; false for UnclosedGroup. Throws tonvarra::ConvertError
    // for BadRepeatCount. Held modifiers stay down for the next action.
    bool Run(const KeyAction& action);

    // One key event, then the drain when the call waits.
    void EmitKeyEvent(VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags);
    // count key-downs (each followed by a key-up when withRelease). NUM LOCK
    // flips its toggle once instead, whatever the count.
    void PressVirtualKey(VirtualKey vk, std::uint32_t count, bool withRelease);
    void ReleaseVirtualKey(VirtualKey vk);
    // The key with the Shift, Control and Alt its high byte asks for.
    void TypeKeyCode(KeyCode code, std::uint32_t count);
    // Lets the held modifiers up unless a group is open.
    void ReleaseHeldModifiers();
    // Lets every modifier this call holds up, open group or not, so that no
    // way out of a call leaves a key down.
    void ReleaseAllHeld();
    void ShowSendKeysMessage(std::string_view text);

private:
    KeyboardPort& port_;
    bool wait_;
    bool inGroup_ = false;
    bool shiftHeld_ = false;
    bool controlHeld_ = false;
    bool altHeld_ = false;
};

} // namespace tonvarra::keys
