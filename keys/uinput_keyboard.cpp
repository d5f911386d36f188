#include "keys/uinput_keyboard.h"

#include "keys/us_layout.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>

#include <array>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace tonvarra::keys {

unsigned EvdevKeyCode(VirtualKey vk, bool extended) {
    static constexpr std::array<unsigned short, 26> kLetters = {
        KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
        KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    static constexpr std::array<unsigned short, 10> kKeypadDigits = {
        KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4, KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};
    if (vk >= 0x41 && vk <= 0x5A) {
        return kLetters[vk - 0x41];
    }
    if (vk == 0x30) {
        return KEY_0;
    }
    if (vk >= 0x31 && vk <= 0x39) {
        return KEY_1 + (vk - 0x31);
    }
    if (vk >= 0x60 && vk <= 0x69) {
        return kKeypadDigits[vk - 0x60];
    }
    if (vk >= 0x70 && vk <= 0x79) {
        return KEY_F1 + (vk - 0x70);
    }
    if (vk >= 0x7C && vk <= 0x87) {
        return KEY_F13 + (vk - 0x7C);
    }
    const auto pick = [extended](unsigned main, unsigned keypad) { return extended ? main : keypad; };
    switch (vk) {
    case 0x03:
        return KEY_PAUSE;
    case 0x08:
        return KEY_BACKSPACE;
    case 0x09:
        return KEY_TAB;
    case 0x0C:
        return KEY_CLEAR;
    case 0x0D:
        return extended ? KEY_KPENTER : KEY_ENTER;
    case 0x10:
    case 0xA0:
        return KEY_LEFTSHIFT;
    case 0xA1:
        return KEY_RIGHTSHIFT;
    case 0x11:
    case 0xA2:
        return KEY_LEFTCTRL;
    case 0xA3:
        return KEY_RIGHTCTRL;
    case 0x12:
    case 0xA4:
        return KEY_LEFTALT;
    case 0xA5:
        return KEY_RIGHTALT;
    case 0x13:
        return KEY_PAUSE;
    case 0x14:
        return KEY_CAPSLOCK;
    case 0x1B:
        return KEY_ESC;
    case 0x20:
        return KEY_SPACE;
    case 0x21:
        return pick(KEY_PAGEUP, KEY_KP9);
    case 0x22:
        return pick(KEY_PAGEDOWN, KEY_KP3);
    case 0x23:
        return pick(KEY_END, KEY_KP1);
    case 0x24:
        return pick(KEY_HOME, KEY_KP7);
    case 0x25:
        return pick(KEY_LEFT, KEY_KP4);
    case 0x26:
        return pick(KEY_UP, KEY_KP8);
    case 0x27:
        return pick(KEY_RIGHT, KEY_KP6);
    case 0x28:
        return pick(KEY_DOWN, KEY_KP2);
    case 0x2A:
    case 0x2C:
        return KEY_SYSRQ;
    case 0x2D:
        return pick(KEY_INSERT, KEY_KP0);
    case 0x2E:
        return pick(KEY_DELETE, KEY_KPDOT);
    case 0x2F:
        return KEY_HELP;
    case 0x5B:
        return KEY_LEFTMETA;
    case 0x5C:
        return KEY_RIGHTMETA;
    case 0x5D:
        return KEY_COMPOSE;
    case 0x6A:
        return KEY_KPASTERISK;
    case 0x6B:
        return KEY_KPPLUS;
    case 0x6D:
        return KEY_KPMINUS;
    case 0x6E:
        return KEY_KPDOT;
    case 0x6F:
        return KEY_KPSLASH;
    case 0x7A:
        return KEY_F11;
    case 0x7B:
        return KEY_F12;
    case 0x90:
        return KEY_NUMLOCK;
    case 0x91:
        return KEY_SCROLLLOCK;
    case 0xBA:
        return KEY_SEMICOLON;
    case 0xBB:
        return KEY_EQUAL;
    case 0xBC:
        return KEY_COMMA;
    case 0xBD:
        return KEY_MINUS;
    case 0xBE:
        return KEY_DOT;
    case 0xBF:
        return KEY_SLASH;
    case 0xC0:
        return KEY_GRAVE;
    case 0xDB:
        return KEY_LEFTBRACE;
    case 0xDC:
        return KEY_BACKSLASH;
    case 0xDD:
        return KEY_RIGHTBRACE;
    case 0xDE:
        return KEY_APOSTROPHE;
    case 0xE2:
        return KEY_102ND;
    default:
        return 0;
    }
}

struct UinputKeyboard::Impl {
    MessageSink sink;
    std::mutex mutex;
    libevdev* device = nullptr;
    libevdev_uinput* uinput = nullptr;
    int fd = -1;
    std::bitset<KEY_CNT> down;
    std::array<unsigned short, 256> pressedAs{}; // the code each virtual key went down as
    bool numLock = false;                        // as the kernel last told us through the LED

    ~Impl() {
        if (uinput != nullptr) {
            ReleaseAllLocked();
            libevdev_uinput_destroy(uinput);
        }
        if (device != nullptr) {
            libevdev_free(device);
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    void Write(unsigned code, bool press) {
        libevdev_uinput_write_event(uinput, EV_KEY, code, press ? 1 : 0);
        libevdev_uinput_write_event(uinput, EV_SYN, SYN_REPORT, 0);
        down.set(code, press);
    }

    // The kernel hands the keyboards' LED state to the device; the last
    // NUM LOCK LED it set is the lock state.
    void ReadLeds() {
        input_event event{};
        while (read(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
            if (event.type == EV_LED && event.code == LED_NUML) {
                numLock = event.value != 0;
            }
        }
    }

    void ReleaseAllLocked() {
        for (unsigned code = 0; code < down.size(); ++code) {
            if (down[code]) {
                Write(code, false);
            }
        }
        pressedAs.fill(0);
    }
};

std::unique_ptr<UinputKeyboard> UinputKeyboard::Open(MessageSink sink, std::string& whyNot,
                                                     const char* path) {
    auto impl = std::make_unique<Impl>();
    impl->sink = std::move(sink);
    impl->fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (impl->fd < 0) {
        whyNot = std::string(path) + " could not be opened (" + std::strerror(errno) + ")";
        return nullptr;
    }
    impl->device = libevdev_new();
    libevdev_set_name(impl->device, "Tonvarra virtual keyboard");
    libevdev_set_id_bustype(impl->device, BUS_VIRTUAL);
    libevdev_enable_event_type(impl->device, EV_KEY);
    for (int vk = 0; vk < 256; ++vk) {
        for (const bool extended : {false, true}) {
            if (const unsigned code = EvdevKeyCode(static_cast<VirtualKey>(vk), extended); code != 0) {
                libevdev_enable_event_code(impl->device, EV_KEY, code, nullptr);
            }
        }
    }
    // No EV_REP: a held key repeats by SendKeys being called again, never by the kernel.
    libevdev_enable_event_type(impl->device, EV_LED);
    for (const unsigned led : {LED_NUML, LED_CAPSL, LED_SCROLLL}) {
        libevdev_enable_event_code(impl->device, EV_LED, led, nullptr);
    }
    if (const int err = libevdev_uinput_create_from_device(impl->device, impl->fd, &impl->uinput); err != 0) {
        whyNot = "the virtual keyboard could not be created on " + std::string(path) + " (" +
                 std::strerror(-err) + ")";
        impl->uinput = nullptr;
        return nullptr;
    }
    return std::unique_ptr<UinputKeyboard>(new UinputKeyboard(std::move(impl)));
}

UinputKeyboard::UinputKeyboard(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

UinputKeyboard::~UinputKeyboard() = default;

KeyCode UinputKeyboard::CharToKeyCode(char c) {
    return UsLayoutKeyCode(c);
}

std::uint8_t UinputKeyboard::ScanCode(VirtualKey vk) {
    return UsLayoutScanCode(vk);
}

void UinputKeyboard::KeyEvent(VirtualKey vk, std::uint8_t, std::uint32_t flags) {
    std::lock_guard lock(impl_->mutex);
    if ((flags & kKeyUpFlag) != 0) {
        unsigned code = impl_->pressedAs[vk];
        if (code == 0) {
            code = EvdevKeyCode(vk, (flags & kExtendedKeyFlag) != 0);
        }
        if (code != 0) {
            impl_->Write(code, false);
        }
        impl_->pressedAs[vk] = 0;
        return;
    }
    const unsigned code = EvdevKeyCode(vk, (flags & kExtendedKeyFlag) != 0);
    if (code != 0) {
        impl_->Write(code, true);
        impl_->pressedAs[vk] = static_cast<unsigned short>(code);
    }
}

bool UinputKeyboard::NumLockOn() {
    std::lock_guard lock(impl_->mutex);
    impl_->ReadLeds();
    return impl_->numLock;
}

void UinputKeyboard::GetKeyboardState(std::span<std::uint8_t, 256> state) {
    std::fill(state.begin(), state.end(), std::uint8_t{0});
    std::lock_guard lock(impl_->mutex);
    impl_->ReadLeds();
    state[0x90] = impl_->numLock ? 1 : 0;
}

void UinputKeyboard::SetKeyboardState(std::span<const std::uint8_t, 256> state) {
    // Only NUM LOCK has an effect the user sees; it goes through a real key
    // press so that it reaches the system's lock state.
    std::lock_guard lock(impl_->mutex);
    impl_->ReadLeds();
    const bool want = (state[0x90] & 1) != 0;
    if (want != impl_->numLock) {
        impl_->Write(KEY_NUMLOCK, true);
        impl_->Write(KEY_NUMLOCK, false);
        impl_->numLock = want; // until the LED says otherwise
    }
}

void UinputKeyboard::Drain() {} // each event is written with its SYN report at once

void UinputKeyboard::MessageBox(std::string_view text) {
    if (impl_->sink) {
        impl_->sink(std::string(text));
    }
}

void UinputKeyboard::ReleaseAll() {
    std::lock_guard lock(impl_->mutex);
    impl_->ReleaseAllLocked();
}

std::string UinputKeyboard::DeviceNode() const {
    const char* node = libevdev_uinput_get_devnode(impl_->uinput);
    return node != nullptr ? node : "";
}

} // namespace tonvarra::keys
