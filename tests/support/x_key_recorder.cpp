#include "x_key_recorder.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <poll.h>
#include <stdexcept>

namespace tonvarra::test {

struct XKeyRecorder::Connection {
    Display* display = nullptr;
    Window window = 0;
    int xkbEventBase = 0;
    XkbDescPtr xkb = nullptr; // the server's keymap as of the last change we saw

    void Reload() {
        if (xkb != nullptr) {
            XkbFreeKeyboard(xkb, 0, True);
        }
        xkb = XkbGetMap(display, XkbAllClientInfoMask, XkbUseCoreKbd);
    }
};

XKeyRecorder::XKeyRecorder(const std::string& displayName)
    : x_(new Connection) {
    x_->display = XOpenDisplay(displayName.c_str());
    if (x_->display == nullptr) {
        delete x_;
        throw std::runtime_error("cannot open " + displayName);
    }
    Display* d = x_->display;
    x_->window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(d, x_->window, KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask);
    XMapRaised(d, x_->window);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify) {
            break;
        }
    }
    int opcode = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    XkbQueryExtension(d, &opcode, &x_->xkbEventBase, &errorBase, &major, &minor);
    XkbSelectEvents(d, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    x_->Reload();
    XSetInputFocus(d, x_->window, RevertToParent, CurrentTime);
    XSync(d, False);
}

XKeyRecorder::~XKeyRecorder() {
    XkbFreeKeyboard(x_->xkb, 0, True);
    XDestroyWindow(x_->display, x_->window);
    XCloseDisplay(x_->display);
    delete x_;
}

void XKeyRecorder::Pump(std::chrono::milliseconds wait) {
    Display* d = x_->display;
    if (XPending(d) == 0) {
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, static_cast<int>(wait.count()));
    }
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MappingNotify) {
            XRefreshKeyboardMapping(&e.xmapping);
            x_->Reload();
            continue;
        }
        if (e.type == x_->xkbEventBase) {
            x_->Reload();
            continue;
        }
        if (e.type != KeyPress && e.type != KeyRelease) {
            continue;
        }
        Received r{
            e.type == KeyPress, e.xkey.keycode, e.xkey.state, {}, {}, std::chrono::steady_clock::now()};
        KeySym keysym = NoSymbol;
        unsigned consumed = 0;
        XkbTranslateKeyCode(x_->xkb, static_cast<KeyCode>(e.xkey.keycode), e.xkey.state, &consumed, &keysym);
        const char* name = XKeysymToString(keysym);
        r.keysym = name != nullptr ? name : "NoSymbol";
        if (r.press) {
            char buffer[16] = {};
            KeySym ignored = NoSymbol;
            const int n = XLookupString(&e.xkey, buffer, sizeof buffer, &ignored, nullptr);
            r.text.assign(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
        }
        received_.push_back(std::move(r));
    }
}

std::vector<XKeyRecorder::Received> XKeyRecorder::WaitFor(std::size_t count,
                                                          std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    XSync(x_->display, False);
    while (received_.size() < count && Clock::now() < deadline) {
        Pump(std::chrono::milliseconds(20));
    }
    // Anything beyond what was expected would be a fault too: give it a moment.
    Pump(std::chrono::milliseconds(150));
    return received_;
}

std::size_t XKeyRecorder::Collect(std::size_t count, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    while (received_.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        Pump(std::min(left, std::chrono::milliseconds(20)));
    }
    return received_.size();
}

void XKeyRecorder::TakeFocus() {
    XRaiseWindow(x_->display, x_->window);
    XSetInputFocus(x_->display, x_->window, RevertToParent, CurrentTime);
    XSync(x_->display, False);
}

bool XKeyRecorder::HasFocus() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(x_->display, &focus, &revert);
    return focus == x_->window;
}

std::string XKeyRecorder::Trace() const {
    static constexpr struct {
        unsigned mask;
        char letter;
    } kMods[] = {{ShiftMask, 'S'}, {LockMask, 'L'}, {ControlMask, 'C'}, {Mod1Mask, '1'},
                 {Mod2Mask, '2'},  {Mod3Mask, '3'}, {Mod4Mask, '4'},    {Mod5Mask, '5'}};
    std::string out;
    for (const auto& r : received_) {
        if (!out.empty()) {
            out += ' ';
        }
        out += (r.press ? '+' : '-') + r.keysym;
        std::string mods;
        for (const auto& m : kMods) {
            if (r.state & m.mask) {
                mods += m.letter;
            }
        }
        if (!mods.empty()) {
            out += "[" + mods + "]";
        }
    }
    return out;
}

std::string XKeyRecorder::Typed() const {
    std::string out;
    for (const auto& r : received_) {
        out += r.text;
    }
    return out;
}

unsigned XKeyRecorder::LockedMods() {
    XkbStateRec state{};
    XkbGetState(x_->display, XkbUseCoreKbd, &state);
    return state.locked_mods;
}

unsigned XKeyRecorder::KeycodeOf(const char* keysymName) {
    // A fresh look at the server's keymap, not Xlib's cached copy.
    XkbDescPtr xkb = XkbGetMap(x_->display, XkbAllClientInfoMask, XkbUseCoreKbd);
    const KeySym wanted = XStringToKeysym(keysymName);
    unsigned found = 0;
    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code && found == 0; ++kc) {
        for (int i = 0; i < XkbKeyNumSyms(xkb, kc); ++i) {
            if (XkbKeySym(xkb, kc, i) == wanted) {
                found = static_cast<unsigned>(kc);
            }
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    return found;
}

} // namespace tonvarra::test
