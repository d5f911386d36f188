#pragma once

// The US keyboard layout as numbers: the character-to-key mapping and the scan
// codes of the virtual keys. Ports that cannot ask a live layout (uinput, the
// port that sends nothing, the recording port of the tests) answer with it.

#include "keys/keyboard_port.h"

#include <cstdint>

namespace tonvarra::keys {

// The KeyCode that types the Windows-1252 character c on a US layout, or kNoKey.
[[nodiscard]] KeyCode UsLayoutKeyCode(char c);

// The set-1 scan code of vk on a US keyboard (the low byte; 0 when none).
[[nodiscard]] std::uint8_t UsLayoutScanCode(VirtualKey vk);

} // namespace tonvarra::keys
