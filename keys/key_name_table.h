#pragma once

// KeyNameTable: the names that a brace group may hold ("{TAB}", "{PGUP}"), with
// their virtual keys, and ExtendedKeySet, the keys whose events carry the
// extended-key flag.

#include "keys/keyboard_port.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tonvarra::keys {

struct KeyName {
    std::string_view name;
    VirtualKey vk;
};

// Sorted by the bytes of the names so that LookupKeyName can search by halving.
inline constexpr std::array<KeyName, 41> KeyNameTable{{
    {"BACKSPACE", 0x08}, {"BKSP", 0x08},  {"BREAK", 0x03},  {"BS", 0x08},         {"CAPSLOCK", 0x14},
    {"CLEAR", 0x0C},     {"DEL", 0x2E},   {"DELETE", 0x2E}, {"DOWN", 0x28},       {"END", 0x23},
    {"ENTER", 0x0D},     {"ESC", 0x1B},   {"ESCAPE", 0x1B}, {"F1", 0x70},         {"F10", 0x79},
    {"F11", 0x7A},       {"F12", 0x7B},   {"F13", 0x7C},    {"F14", 0x7D},        {"F15", 0x7E},
    {"F16", 0x7F},       {"F2", 0x71},    {"F3", 0x72},     {"F4", 0x73},         {"F5", 0x74},
    {"F6", 0x75},        {"F7", 0x76},    {"F8", 0x77},     {"F9", 0x78},         {"HELP", 0x2F},
    {"HOME", 0x24},      {"INS", 0x2D},   {"LEFT", 0x25},   {"NUMLOCK", 0x90},    {"PGDN", 0x22},
    {"PGUP", 0x21},      {"PRTSC", 0x2A}, {"RIGHT", 0x27},  {"SCROLLLOCK", 0x91}, {"TAB", 0x09},
    {"UP", 0x26},
}};

inline constexpr VirtualKey kShiftKey = 0x10;
inline constexpr VirtualKey kControlKey = 0x11;
inline constexpr VirtualKey kAltKey = 0x12;
inline constexpr VirtualKey kEnterKey = 0x0D;
inline constexpr VirtualKey kNumLockKey = 0x90;
inline constexpr VirtualKey kLeftBracketKey = 0xDB;
inline constexpr VirtualKey kRightBracketKey = 0xDD;

// ExtendedKeySet: Page Up to Down (0x21-0x28), Insert and Delete. It goes by
// virtual key, so every route by which such a key is sent carries the flag.
[[nodiscard]] constexpr bool IsExtendedKey(VirtualKey vk) {
    return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E;
}

// The virtual key named exactly (case-sensitive) by name, or nothing.
// Searches the sorted table by halving and allocates nothing.
[[nodiscard]] constexpr std::optional<VirtualKey> FindKeyName(std::string_view name) {
    std::size_t low = 0;
    std::size_t high = KeyNameTable.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const auto& row = KeyNameTable[mid];
        if (row.name == name) {
            return row.vk;
        }
        if (row.name < name) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return std::nullopt;
}

// LookupKeyName: the virtual key of the row named name, as a KeyCode with an
// empty shift state, or kNoKey. The parser shows "Invalid Key Name" for kNoKey.
[[nodiscard]] constexpr KeyCode LookupKeyName(std::string_view name) {
    const auto vk = FindKeyName(name);
    return vk ? KeyCode{*vk} : kNoKey;
}

} // namespace tonvarra::keys
