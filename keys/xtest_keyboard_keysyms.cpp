#include "keys/xtest_keyboard_keysyms.h"

#include <X11/keysym.h>

namespace tonvarra::keys::xtest {
namespace {

struct Cp1252Extra {
    unsigned char byte;
    char32_t unicode;
    X11KeySym legacy; // the keysym keymaps use for it, when it has a legacy one
};

constexpr std::array<Cp1252Extra, 27> kCp1252Extras{{
    {0x80, 0x20AC, 0x20AC}, {0x82, 0x201A, 0xAFD}, {0x83, 0x0192, 0x8F6},  {0x84, 0x201E, 0xAFE},
    {0x85, 0x2026, 0xAAE},  {0x86, 0x2020, 0xAF1}, {0x87, 0x2021, 0xAF2},  {0x88, 0x02C6, 0},
    {0x89, 0x2030, 0xAD5},  {0x8A, 0x0160, 0x1A9}, {0x8B, 0x2039, 0},      {0x8C, 0x0152, 0x13BC},
    {0x8E, 0x017D, 0x1AE},  {0x91, 0x2018, 0xAD0}, {0x92, 0x2019, 0xAD1},  {0x93, 0x201C, 0xAD2},
    {0x94, 0x201D, 0xAD3},  {0x95, 0x2022, 0xAE6}, {0x96, 0x2013, 0xAAA},  {0x97, 0x2014, 0xAA9},
    {0x98, 0x02DC, 0},      {0x99, 0x2122, 0xAC9}, {0x9A, 0x0161, 0x1B9},  {0x9B, 0x203A, 0},
    {0x9C, 0x0153, 0x13BD}, {0x9E, 0x017E, 0x1BE}, {0x9F, 0x0178, 0x13BE},
}};

} // namespace

// The keysym of a virtual key. The extended flag picks the main-block key over
// the keypad key, except for Enter, whose extended form is the keypad's.
X11KeySym StandardKeysym(VirtualKey vk, bool extended) {
    if (vk >= 0x30 && vk <= 0x39) {
        return XK_0 + (vk - 0x30);
    }
    if (vk >= 0x41 && vk <= 0x5A) {
        return XK_a + (vk - 0x41);
    }
    if (vk >= 0x60 && vk <= 0x69) {
        return XK_KP_0 + (vk - 0x60);
    }
    if (vk >= 0x70 && vk <= 0x87) {
        return XK_F1 + (vk - 0x70);
    }
    const auto pick = [extended](X11KeySym main, X11KeySym keypad) { return extended ? main : keypad; };
    switch (vk) {
    case 0x03:
        return XK_Break;
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0C:
        return XK_Clear;
    case 0x0D:
        return extended ? XK_KP_Enter : XK_Return;
    case 0x10:
    case 0xA0:
        return XK_Shift_L;
    case 0xA1:
        return XK_Shift_R;
    case 0x11:
    case 0xA2:
        return XK_Control_L;
    case 0xA3:
        return XK_Control_R;
    case 0x12:
    case 0xA4:
        return XK_Alt_L;
    case 0xA5:
        return XK_Alt_R;
    case 0x13:
        return XK_Pause;
    case 0x14:
        return XK_Caps_Lock;
    case 0x1B:
        return XK_Escape;
    case 0x20:
        return XK_space;
    case 0x21:
        return pick(XK_Prior, XK_KP_Prior);
    case 0x22:
        return pick(XK_Next, XK_KP_Next);
    case 0x23:
        return pick(XK_End, XK_KP_End);
    case 0x24:
        return pick(XK_Home, XK_KP_Home);
    case 0x25:
        return pick(XK_Left, XK_KP_Left);
    case 0x26:
        return pick(XK_Up, XK_KP_Up);
    case 0x27:
        return pick(XK_Right, XK_KP_Right);
    case 0x28:
        return pick(XK_Down, XK_KP_Down);
    case 0x2A:
    case 0x2C:
        return XK_Print;
    case 0x2D:
        return pick(XK_Insert, XK_KP_Insert);
    case 0x2E:
        return pick(XK_Delete, XK_KP_Delete);
    case 0x2F:
        return XK_Help;
    case 0x5B:
        return XK_Super_L;
    case 0x5C:
        return XK_Super_R;
    case 0x5D:
        return XK_Menu;
    case 0x6A:
        return XK_KP_Multiply;
    case 0x6B:
        return XK_KP_Add;
    case 0x6D:
        return XK_KP_Subtract;
    case 0x6E:
        return XK_KP_Decimal;
    case 0x6F:
        return XK_KP_Divide;
    case 0x90:
        return XK_Num_Lock;
    case 0x91:
        return XK_Scroll_Lock;
    case 0xBA:
        return XK_semicolon;
    case 0xBB:
        return XK_equal;
    case 0xBC:
        return XK_comma;
    case 0xBD:
        return XK_minus;
    case 0xBE:
        return XK_period;
    case 0xBF:
        return XK_slash;
    case 0xC0:
        return XK_grave;
    case 0xDB:
        return XK_bracketleft;
    case 0xDC:
        return XK_backslash;
    case 0xDD:
        return XK_bracketright;
    case 0xDE:
        return XK_apostrophe;
    case 0xE2:
        return XK_less;
    default:
        return X11KeySym{0};
    }
}

// The virtual key whose keysym is the first level of a key that types a
// character: letters, digits, space and the US punctuation keys.
VirtualKey CharacterVkForBaseKeysym(X11KeySym ks) {
    if (ks >= XK_a && ks <= XK_z) {
        return static_cast<VirtualKey>(0x41 + (ks - XK_a));
    }
    if (ks >= XK_0 && ks <= XK_9) {
        return static_cast<VirtualKey>(0x30 + (ks - XK_0));
    }
    for (const VirtualKey vk :
         {0x20, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xE2}) {
        if (StandardKeysym(vk, true) == ks) {
            return vk;
        }
    }
    return 0;
}

// The keysyms that may stand for a Windows-1252 character, most usual first.
std::array<X11KeySym, 2> CharKeysyms(unsigned char c) {
    if ((c >= 0x20 && c <= 0x7E) || c >= 0xA0) {
        return {c, X11KeySym{0}}; // Latin-1 keysyms are their code points
    }
    for (const auto& extra : kCp1252Extras) {
        if (extra.byte == c) {
            return {extra.legacy != 0 ? extra.legacy : 0x1000000 + extra.unicode, 0x1000000 + extra.unicode};
        }
    }
    return {X11KeySym{0}, X11KeySym{0}};
}

int PrivateSlot(VirtualKey vk) {
    for (std::size_t i = 0; i < kPrivateVks.size(); ++i) {
        if (kPrivateVks[i] == vk) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace tonvarra::keys::xtest
