#include "keys/key_sender.h"

#include "base/error.h"
#include "keys/key_name_table.h"

#include <array>

namespace tonvarra::keys {

bool KeySender::Run(const KeyAction& action) {
    struct Visitor {
        KeySender& s;
        bool operator()(const OpenGroup&) const {
            s.inGroup_ = true; // groups do not nest: a second "(" changes nothing
            return true;
        }
        bool operator()(const CloseGroup&) const {
            s.inGroup_ = false;
            s.ReleaseHeldModifiers();
            return true;
        }
        bool operator()(const HoldModifier& m) const {
            (m.vk == kShiftKey ? s.shiftHeld_ : m.vk == kControlKey ? s.controlHeld_ : s.altHeld_) = true;
            s.PressVirtualKey(m.vk, 1, false);
            return true;
        }
        bool operator()(const TypeKey& k) const {
            s.TypeKeyCode(k.code, k.count);
            s.ReleaseHeldModifiers();
            return true;
        }
        bool operator()(const ShowMessage& m) const {
            s.ShowSendKeysMessage(m.text);
            return true;
        }
        bool operator()(const UnclosedGroup&) const {
            // Keys go up before the message, so nothing stays down while it is read.
            s.ReleaseAllHeld();
            s.ShowSendKeysMessage(kNoCloseMessage);
            return false;
        }
        bool operator()(const BadRepeatCount& b) const {
            // SendKeys lets the held modifiers up before this leaves it.
            throw ConvertError(RepeatCountMessage(b.countText));
        }
    };
    return std::visit(Visitor{*this}, action);
}

void KeySender::EmitKeyEvent(VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) {
    port_.KeyEvent(vk, scanCode, flags);
    if (wait_) {
        port_.Drain();
    }
}

void KeySender::PressVirtualKey(VirtualKey vk, std::uint32_t count, bool withRelease) {
    if (vk == kNumLockKey) {
        const bool on = port_.NumLockOn();
        std::array<std::uint8_t, 256> state{};
        port_.GetKeyboardState(state);
        state[kNumLockKey] =
            static_cast<std::uint8_t>(on ? (state[kNumLockKey] & ~1u) : (state[kNumLockKey] | 1u));
        port_.SetKeyboardState(state);
        return;
    }
    const std::uint8_t scan = port_.ScanCode(vk);
    const std::uint32_t extended = IsExtendedKey(vk) ? kExtendedKeyFlag : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        EmitKeyEvent(vk, scan, extended);
        if (withRelease) {
            EmitKeyEvent(vk, scan, extended | kKeyUpFlag);
        }
    }
}

void KeySender::ReleaseVirtualKey(VirtualKey vk) {
    EmitKeyEvent(vk, port_.ScanCode(vk), kKeyUpFlag);
}

void KeySender::TypeKeyCode(KeyCode code, std::uint32_t count) {
    const unsigned shiftState = code >> 8;
    const bool shift = (shiftState & 0x01) != 0;
    const bool control = (shiftState & 0x02) != 0;
    const bool alt = (shiftState & 0x04) != 0;
    // These belong to this key alone, apart from the held-modifier flags.
    if (shift) {
        PressVirtualKey(kShiftKey, 1, false);
    }
    if (control) {
        PressVirtualKey(kControlKey, 1, false);
    }
    if (alt) {
        PressVirtualKey(kAltKey, 1, false);
    }
    PressVirtualKey(static_cast<VirtualKey>(code & 0xFF), count, true);
    if (shift) {
        ReleaseVirtualKey(kShiftKey);
    }
    if (control) {
        ReleaseVirtualKey(kControlKey);
    }
    if (alt) {
        ReleaseVirtualKey(kAltKey);
    }
}

void KeySender::ReleaseHeldModifiers() {
    if (inGroup_) {
        return;
    }
    ReleaseAllHeld();
}

void KeySender::ReleaseAllHeld() {
    if (shiftHeld_) {
        ReleaseVirtualKey(kShiftKey);
    }
    if (controlHeld_) {
        ReleaseVirtualKey(kControlKey);
    }
    if (altHeld_) {
        ReleaseVirtualKey(kAltKey);
    }
    shiftHeld_ = controlHeld_ = altHeld_ = false;
}

void KeySender::ShowSendKeysMessage(std::string_view text) {
    port_.MessageBox(text);
}

} // namespace tonvarra::keys
