#pragma once

// The XTest port's tables: virtual keys to X keysyms, Windows-1252 characters
// to keysyms, and the port-private virtual keys for characters that no
// standard virtual key reaches. Numbers only, so no X header comes along.

#include "keys/keyboard_port.h"

#include <array>

namespace tonvarra::keys::xtest {

using X11KeySym = unsigned long;

// The keysym of a virtual key, 0 when it has none. The extended flag picks the
// main-block key over the keypad key, except for Enter, whose extended form is
// the keypad's.
[[nodiscard]] X11KeySym StandardKeysym(VirtualKey vk, bool extended);

// The virtual key whose keysym is the first level of a key that types a
// character (letters, digits, space, the US punctuation keys), else 0.
[[nodiscard]] VirtualKey CharacterVkForBaseKeysym(X11KeySym ks);

// The keysyms that may stand for a Windows-1252 character, most usual first.
[[nodiscard]] std::array<X11KeySym, 2> CharKeysyms(unsigned char c);

// Port-private virtual keys, unassigned in the Windows numbering, that stand for
// characters no standard virtual key reaches (AltGr levels, other layouts' keys).
inline constexpr std::array<VirtualKey, 43> kPrivateVks = {
    0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D,
    0x9E, 0x9F, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD,
    0xCE, 0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA};

// The index of vk in kPrivateVks, or -1.
[[nodiscard]] int PrivateSlot(VirtualKey vk);

} // namespace tonvarra::keys::xtest
