#include "keys/xtest_keyboard.h"

#include "keys/us_layout.h"
#include "keys/xtest_keyboard_keysyms.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <bit>
#include <bitset>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

namespace tonvarra::keys {
namespace {

using xtest::CharacterVkForBaseKeysym;
using xtest::CharKeysyms;
using xtest::kPrivateVks;
using xtest::PrivateSlot;
using xtest::StandardKeysym;

// A protocol error must not end the program (Xlib's default handler exits);
// a failed request just has no effect.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

struct XTestKeyboard::Impl {
    struct Found {
        ::KeyCode keycode;
        unsigned mods;
    };
    struct Binding {
        KeySym keysym;
        ::KeyCode keycode;
    };

    MessageSink sink;
    std::mutex mutex;
    Display* display = nullptr;
    int xkbEventBase = 0;
    XkbDescPtr xkb = nullptr;
    bool keymapStale = true;
    bool lost = false;
    int group = 0;
    unsigned altMask = Mod1Mask;
    unsigned level3Mask = 0;
    unsigned numLockMask = 0;
    ::KeyCode level3Keycode = 0;
    std::bitset<256> down;                  // keycodes this port holds down
    std::array<::KeyCode, 256> pressedAs{}; // the keycode each virtual key went down as
    std::array<bool, 256> pressedLevel3{};  // whether its down pressed ISO_Level3_Shift too
    std::array<KeySym, kPrivateVks.size()> privateSyms{};
    std::size_t nextPrivate = 0;
    std::vector<Binding> bindings; // spare keycodes bound for the moment
    std::chrono::steady_clock::time_point lastBindingUse;

    ~Impl() {
        if (display != nullptr && !lost) {
            ReleaseAllLocked();
            if (xkb != nullptr) {
                XkbFreeKeyboard(xkb, 0, True);
            }
            XCloseDisplay(display);
        }
    }

    void Report(std::string text) {
        if (sink) {
            sink(std::move(text));
        }
    }

    void PollEvents() {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != xkbEventBase) {
                continue;
            }
            const auto& xkbEvent = reinterpret_cast<const XkbEvent&>(event);
            if (xkbEvent.any.xkb_type == XkbStateNotify) {
                group = xkbEvent.state.group;
            } else {
                keymapStale = true;
            }
        }
    }

    [[nodiscard]] unsigned ModsOfKeysym(KeySym ks) const {
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
            if (XkbKeyNumGroups(xkb, kc) > 0 && XkbKeySymEntry(xkb, kc, 0, 0) == ks &&
                xkb->map->modmap[kc] != 0) {
                return xkb->map->modmap[kc];
            }
        }
        return 0;
    }

    void EnsureKeymap() {
        PollEvents();
        if (!keymapStale && xkb != nullptr) {
            return;
        }
        if (xkb != nullptr) {
            XkbFreeKeyboard(xkb, 0, True);
        }
        xkb = XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd);
        keymapStale = false;
        if (xkb == nullptr) {
            return;
        }
        altMask = ModsOfKeysym(XK_Alt_L);
        if (altMask == 0) {
            altMask = Mod1Mask;
        }
        level3Mask = ModsOfKeysym(XK_ISO_Level3_Shift);
        numLockMask = ModsOfKeysym(XK_Num_Lock);
        level3Keycode = 0;
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code && level3Mask != 0; ++kc) {
            if (XkbKeyNumGroups(xkb, kc) > 0 && XkbKeySymEntry(xkb, kc, 0, 0) == XK_ISO_Level3_Shift &&
                xkb->map->modmap[kc] != 0) {
                level3Keycode = static_cast<::KeyCode>(kc);
                break;
            }
        }
    }

    [[nodiscard]] int GroupOf(int kc) const {
        const int groups = XkbKeyNumGroups(xkb, kc);
        return groups > 0 ? group % groups : -1;
    }

    // The modifiers that select this level, read from the key type's map; only
    // Shift, Control, Alt and the third-level shift are ones we can press.
    [[nodiscard]] std::optional<unsigned> ModsForLevel(int kc, int g, int level) const {
        if (level == 0) {
            return 0u;
        }
        const XkbKeyTypePtr type = XkbKeyKeyType(xkb, kc, g);
        const unsigned pressable = ShiftMask | ControlMask | altMask | level3Mask;
        std::optional<unsigned> best;
        for (int i = 0; i < type->map_count; ++i) {
            const XkbKTMapEntryRec& entry = type->map[i];
            const unsigned mask = entry.mods.mask;
            if (!entry.active || entry.level != level || (mask & ~pressable) != 0) {
                continue;
            }
            if (!best || std::popcount(mask) < std::popcount(*best)) {
                best = mask;
            }
        }
        return best;
    }

    // The key that types ks in the current group with the fewest modifiers.
    [[nodiscard]] std::optional<Found> FindKeysym(KeySym ks) const {
        if (xkb == nullptr || ks == NoSymbol) {
            return std::nullopt;
        }
        std::optional<Found> best;
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
            const int g = GroupOf(kc);
            if (g < 0) {
                continue;
            }
            const int width = XkbKeyGroupWidth(xkb, kc, g);
            for (int level = 0; level < width; ++level) {
                if (XkbKeySymEntry(xkb, kc, level, g) != ks) {
                    continue;
                }
                const auto mods = ModsForLevel(kc, g, level);
                if (mods && (!best || std::popcount(*mods) < std::popcount(best->mods))) {
                    best = Found{static_cast<::KeyCode>(kc), *mods};
                }
            }
        }
        return best;
    }

    [[nodiscard]] VirtualKey PrivateVkFor(KeySym ks) {
        for (std::size_t i = 0; i < privateSyms.size(); ++i) {
            if (privateSyms[i] == ks) {
                return kPrivateVks[i];
            }
        }
        // Reuse the oldest slot whose key is not down.
        for (std::size_t tries = 0; tries < privateSyms.size(); ++tries) {
            const std::size_t i = nextPrivate;
            nextPrivate = (nextPrivate + 1) % privateSyms.size();
            if (pressedAs[kPrivateVks[i]] == 0) {
                privateSyms[i] = ks;
                return kPrivateVks[i];
            }
        }
        return 0;
    }

    [[nodiscard]] KeyCode CharToKeyCode(unsigned char c) {
        EnsureKeymap();
        for (const KeySym ks : CharKeysyms(c)) {
            const auto found = FindKeysym(ks);
            if (!found) {
                continue;
            }
            const unsigned shiftState = ((found->mods & ShiftMask) ? 0x1u : 0u) |
                                        ((found->mods & ControlMask) ? 0x2u : 0u) |
                                        ((found->mods & altMask) ? 0x4u : 0u);
            VirtualKey vk = 0;
            if ((found->mods & level3Mask) == 0) {
                vk =
                    CharacterVkForBaseKeysym(XkbKeySymEntry(xkb, found->keycode, 0, GroupOf(found->keycode)));
                const auto viaVk = FindKeysym(StandardKeysym(vk, true));
                if (vk != 0 && (!viaVk || viaVk->keycode != found->keycode)) {
                    vk = 0;
                }
            }
            if (vk == 0) {
                vk = PrivateVkFor(ks);
            }
            if (vk == 0) {
                return kNoKey;
            }
            return static_cast<KeyCode>((shiftState << 8) | vk);
        }
        return kNoKey;
    }

    // The keycode to press for vk, and whether it needs the third-level shift.
    [[nodiscard]] std::optional<Found> Resolve(VirtualKey vk, bool extended, bool mayBind) {
        if (const int slot = PrivateSlot(vk); slot >= 0) {
            const auto found = FindKeysym(privateSyms[static_cast<std::size_t>(slot)]);
            if (found) {
                return Found{found->keycode, found->mods & level3Mask};
            }
            return std::nullopt;
        }
        // Only a key whose first level is this keysym will do: Break sits on the
        // Pause key behind Control, which would type Pause if pressed alone.
        const KeySym ks = StandardKeysym(vk, extended);
        if (const auto found = FindKeysym(ks); found && found->mods == 0) {
            return Found{found->keycode, 0};
        }
        if (ks == NoSymbol || !mayBind) {
            return std::nullopt;
        }
        if (const auto kc = BindSpareKeycode(ks)) {
            return Found{kc, 0};
        }
        return std::nullopt;
    }

    // Binds ks to a keycode that has no symbols, for keys the keymap lacks
    // (F13-F16, Clear). The binding is made before the key goes down; it is
    // undone when no key is down, after the releases have reached the server.
    [[nodiscard]] ::KeyCode BindSpareKeycode(KeySym ks) {
        if (xkb == nullptr) {
            return 0;
        }
        lastBindingUse = std::chrono::steady_clock::now();
        for (const auto& binding : bindings) {
            if (binding.keysym == ks) {
                return binding.keycode;
            }
        }
        for (int kc = xkb->max_key_code; kc >= xkb->min_key_code; --kc) {
            bool taken = down[static_cast<std::size_t>(kc)] || XkbKeyNumSyms(xkb, kc) != 0;
            for (const auto& binding : bindings) {
                taken = taken || binding.keycode == kc;
            }
            if (taken) {
                continue;
            }
            KeySym sym = ks;
            XChangeKeyboardMapping(display, kc, 1, &sym, 1);
            XSync(display, False);
            bindings.push_back({ks, static_cast<::KeyCode>(kc)});
            keymapStale = true;
            EnsureKeymap();
            return static_cast<::KeyCode>(kc);
        }
        return 0;
    }

    // A binding stays while it is in use: every keymap change makes each X
    // client read the keymap again, which a 10 ms key repeat must not cause,
    // and a client still reading the key's release needs its symbol.
    void RestoreBindingsIfIdle(bool now) {
        if (bindings.empty() || down.any()) {
            return;
        }
        if (!now && std::chrono::steady_clock::now() - lastBindingUse < std::chrono::seconds(2)) {
            return;
        }
        XSync(display, False); // the releases first, then the keymap change
        for (const auto& binding : bindings) {
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(display, binding.keycode, 1, &none, 1);
        }
        bindings.clear();
        XSync(display, False);
        keymapStale = true;
    }

    void Fake(::KeyCode kc, bool press) {
        XTestFakeKeyEvent(display, kc, press ? True : False, CurrentTime);
        down.set(kc, press);
    }

    void KeyEvent(VirtualKey vk, std::uint32_t flags) {
        EnsureKeymap();
        RestoreBindingsIfIdle(false);
        if ((flags & kKeyUpFlag) != 0) {
            ::KeyCode kc = pressedAs[vk];
            if (kc == 0) {
                const auto found = Resolve(vk, (flags & kExtendedKeyFlag) != 0, false);
                kc = found ? found->keycode : 0;
            }
            if (kc != 0) {
                Fake(kc, false);
            }
            if (pressedLevel3[vk] && level3Keycode != 0) {
                Fake(level3Keycode, false);
            }
            pressedAs[vk] = 0;
            pressedLevel3[vk] = false;
            XFlush(display);
            return;
        }
        const auto found = Resolve(vk, (flags & kExtendedKeyFlag) != 0, true);
        if (!found) {
            return; // a key this keyboard cannot type; the sequence goes on
        }
        if (found->mods != 0 && level3Keycode != 0 && !down[level3Keycode]) {
            Fake(level3Keycode, true);
            pressedLevel3[vk] = true;
        }
        Fake(found->keycode, true);
        pressedAs[vk] = found->keycode;
        XFlush(display);
    }

    [[nodiscard]] XkbStateRec State() {
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        return state;
    }

    [[nodiscard]] bool NumLockOn() {
        EnsureKeymap();
        return numLockMask != 0 && (State().locked_mods & numLockMask) != 0;
    }

    void ToggleNumLock() {
        const auto found = FindKeysym(XK_Num_Lock);
        if (!found) {
            return;
        }
        Fake(found->keycode, true);
        Fake(found->keycode, false);
        XSync(display, False);
    }

    void ReleaseAllLocked() {
        for (std::size_t kc = 0; kc < down.size(); ++kc) {
            if (down[kc]) {
                Fake(static_cast<::KeyCode>(kc), false);
            }
        }
        pressedAs.fill(0);
        pressedLevel3.fill(false);
        XSync(display, False);
        RestoreBindingsIfIdle(true);
    }
};

namespace {

void ConnectionLost(Display*, void* data) {
    auto* impl = static_cast<XTestKeyboard::Impl*>(data);
    if (!impl->lost) {
        impl->lost = true;
        impl->Report("The connection to the X display was lost. Keystrokes are no longer sent.");
    }
}

} // namespace

std::unique_ptr<XTestKeyboard> XTestKeyboard::Open(MessageSink sink, std::string& whyNot,
                                                   const char* displayName) {
    const char* name = displayName != nullptr ? displayName : std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        whyNot = "no X display is set (DISPLAY is empty)";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr) {
        whyNot = "the X display \"" + std::string(name) + "\" could not be opened";
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        whyNot = "the X display \"" + std::string(name) + "\" lacks the XTest extension";
        return nullptr;
    }
    int opcode = 0;
    int xkbEventBase = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &xkbEventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        whyNot = "the X display \"" + std::string(name) + "\" lacks the XKEYBOARD extension";
        return nullptr;
    }
    XSetErrorHandler(IgnoreXError);

    auto impl = std::make_unique<Impl>();
    impl->sink = std::move(sink);
    impl->display = display;
    impl->xkbEventBase = xkbEventBase;
    XSetIOErrorExitHandler(display, ConnectionLost, impl.get());
    XkbSelectEvents(display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    XkbSelectEventDetails(display, XkbUseCoreKbd, XkbStateNotify, XkbGroupStateMask, XkbGroupStateMask);
    // Our events go through even while another client grabs the server.
    XTestGrabControl(display, True);
    impl->group = impl->State().group;
    impl->EnsureKeymap();
    return std::unique_ptr<XTestKeyboard>(new XTestKeyboard(std::move(impl)));
}

XTestKeyboard::XTestKeyboard(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

XTestKeyboard::~XTestKeyboard() = default;

KeyCode XTestKeyboard::CharToKeyCode(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
        return UsLayoutKeyCode(c); // Tab, Enter, Backspace: the same keys everywhere
    }
    std::lock_guard lock(impl_->mutex);
    if (impl_->lost) {
        return UsLayoutKeyCode(c);
    }
    return impl_->CharToKeyCode(byte);
}

std::uint8_t XTestKeyboard::ScanCode(VirtualKey vk) {
    return UsLayoutScanCode(vk);
}

void XTestKeyboard::KeyEvent(VirtualKey vk, std::uint8_t, std::uint32_t flags) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->lost) {
        impl_->KeyEvent(vk, flags);
    }
}

bool XTestKeyboard::NumLockOn() {
    std::lock_guard lock(impl_->mutex);
    return !impl_->lost && impl_->NumLockOn();
}

void XTestKeyboard::GetKeyboardState(std::span<std::uint8_t, 256> state) {
    std::fill(state.begin(), state.end(), std::uint8_t{0});
    std::lock_guard lock(impl_->mutex);
    if (impl_->lost) {
        return;
    }
    const XkbStateRec xkbState = impl_->State();
    state[0x90] = impl_->NumLockOn() ? 1 : 0;
    state[0x14] = (xkbState.locked_mods & LockMask) != 0 ? 1 : 0;
}

void XTestKeyboard::SetKeyboardState(std::span<const std::uint8_t, 256> state) {
    // Only the NUM LOCK toggle has an effect the user can see: it is set with a
    // real Num_Lock press, so it reaches the keyboard's lock state and light.
    std::lock_guard lock(impl_->mutex);
    if (impl_->lost) {
        return;
    }
    const bool want = (state[0x90] & 1) != 0;
    if (want != impl_->NumLockOn()) {
        impl_->ToggleNumLock();
    }
}

void XTestKeyboard::Drain() {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->lost) {
        XSync(impl_->display, False);
    }
}

void XTestKeyboard::MessageBox(std::string_view text) {
    impl_->Report(std::string(text));
}

void XTestKeyboard::ReleaseAll() {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->lost) {
        impl_->ReleaseAllLocked();
    }
}

} // namespace tonvarra::keys
