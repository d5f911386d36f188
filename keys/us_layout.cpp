#include "keys/us_layout.h"

#include <array>

namespace tonvarra::keys {
namespace {

constexpr KeyCode kShift = 0x0100;
constexpr KeyCode kControl = 0x0200;

struct CharKey {
    char c;
    KeyCode code;
};

// Punctuation and control characters; letters and digits are computed.
constexpr std::array<CharKey, 38> kCharKeys{{
    {' ', 0x20},
    {'\b', 0x08},
    {'\t', 0x09},
    {'\r', 0x0D},
    {'\n', kControl | 0x0D},
    {'\x1B', kControl | 0xDB},
    {')', kShift | 0x30},
    {'!', kShift | 0x31},
    {'@', kShift | 0x32},
    {'#', kShift | 0x33},
    {'$', kShift | 0x34},
    {'%', kShift | 0x35},
    {'^', kShift | 0x36},
    {'&', kShift | 0x37},
    {'*', kShift | 0x38},
    {'(', kShift | 0x39},
    {';', 0xBA},
    {':', kShift | 0xBA},
    {'=', 0xBB},
    {'+', kShift | 0xBB},
    {',', 0xBC},
    {'<', kShift | 0xBC},
    {'-', 0xBD},
    {'_', kShift | 0xBD},
    {'.', 0xBE},
    {'>', kShift | 0xBE},
    {'/', 0xBF},
    {'?', kShift | 0xBF},
    {'`', 0xC0},
    {'~', kShift | 0xC0},
    {'[', 0xDB},
    {'{', kShift | 0xDB},
    {'\\', 0xDC},
    {'|', kShift | 0xDC},
    {']', 0xDD},
    {'}', kShift | 0xDD},
    {'\'', 0xDE},
    {'"', kShift | 0xDE},
}};

constexpr std::array<std::uint8_t, 256> MakeScanCodes() {
    std::array<std::uint8_t, 256> t{};
    t[0x03] = 0x46; // Break
    t[0x08] = 0x0E;
    t[0x09] = 0x0F;
    t[0x0C] = 0x4C; // Clear (keypad 5)
    t[0x0D] = 0x1C;
    t[0x10] = 0x2A;
    t[0x11] = 0x1D;
    t[0x12] = 0x38;
    t[0x14] = 0x3A;
    t[0x1B] = 0x01;
    t[0x20] = 0x39;
    t[0x21] = 0x49;
    t[0x22] = 0x51;
    t[0x23] = 0x4F;
    t[0x24] = 0x47;
    t[0x25] = 0x4B;
    t[0x26] = 0x48;
    t[0x27] = 0x4D;
    t[0x28] = 0x50;
    t[0x2A] = 0x37; // Print
    t[0x2D] = 0x52;
    t[0x2E] = 0x53;
    t[0x30] = 0x0B;
    for (int d = 1; d <= 9; ++d) {
        t[0x30 + d] = static_cast<std::uint8_t>(0x01 + d);
    }
    constexpr std::uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                          0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                          0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i) {
        t[0x41 + i] = letters[i];
    }
    for (int f = 0; f < 10; ++f) {
        t[0x70 + f] = static_cast<std::uint8_t>(0x3B + f); // F1-F10
    }
    t[0x7A] = 0x57;
    t[0x7B] = 0x58;
    for (int f = 0; f < 4; ++f) {
        t[0x7C + f] = static_cast<std::uint8_t>(0x64 + f); // F13-F16
    }
    t[0x90] = 0x45;
    t[0x91] = 0x46;
    t[0xBA] = 0x27;
    t[0xBB] = 0x0D;
    t[0xBC] = 0x33;
    t[0xBD] = 0x0C;
    t[0xBE] = 0x34;
    t[0xBF] = 0x35;
    t[0xC0] = 0x29;
    t[0xDB] = 0x1A;
    t[0xDC] = 0x2B;
    t[0xDD] = 0x1B;
    t[0xDE] = 0x28;
    return t;
}

constexpr auto kScanCodes = MakeScanCodes();

} // namespace

KeyCode UsLayoutKeyCode(char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<KeyCode>(c - 'a' + 'A');
    }
    if (c >= 'A' && c <= 'Z') {
        return static_cast<KeyCode>(kShift | c);
    }
    if (c >= '0' && c <= '9') {
        return static_cast<KeyCode>(c);
    }
    for (const auto& row : kCharKeys) {
        if (row.c == c) {
            return row.code;
        }
    }
    return kNoKey;
}

std::uint8_t UsLayoutScanCode(VirtualKey vk) {
    return kScanCodes[vk];
}

} // namespace tonvarra::keys
