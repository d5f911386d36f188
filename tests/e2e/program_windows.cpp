#include "e2e/program_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace tonvarra::test {
namespace {

// The other program creates and destroys windows while we walk its tree; a
// window that went away in between is not an error worth ending the test for.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

std::string Property(Display* d, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::string value;
    if (XGetWindowProperty(d, w, property, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 8) {
            value.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
    }
    return value;
}

} // namespace

struct ProgramWindows::Connection {
    Display* display = nullptr;
    Atom netWmName = None;
    Atom protocols = None;
    Atom deleteWindow = None;

    std::string Title(Window w) const {
        std::string title = Property(display, w, netWmName);
        return title.empty() ? Property(display, w, XA_WM_NAME) : title;
    }

    Window FindBelow(Window parent, const std::string& title) const {
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) {
            return 0;
        }
        const std::vector<Window> all(children, children + count);
        if (children != nullptr) {
            XFree(children);
        }
        for (const Window child : all) {
            if (Title(child) == title) {
                return child;
            }
        }
        for (const Window child : all) {
            if (const Window found = FindBelow(child, title)) {
                return found;
            }
        }
        return 0;
    }
};

ProgramWindows::ProgramWindows(const std::string& displayName)
    : x_(new Connection) {
    x_->display = XOpenDisplay(displayName.c_str());
    if (x_->display == nullptr) {
        delete x_;
        throw std::runtime_error("cannot open " + displayName);
    }
    XSetErrorHandler(&IgnoreErrors);
    x_->netWmName = XInternAtom(x_->display, "_NET_WM_NAME", False);
    x_->protocols = XInternAtom(x_->display, "WM_PROTOCOLS", False);
    x_->deleteWindow = XInternAtom(x_->display, "WM_DELETE_WINDOW", False);
}

ProgramWindows::~ProgramWindows() {
    XCloseDisplay(x_->display);
    delete x_;
}

unsigned long ProgramWindows::Find(const std::string& title) {
    XSync(x_->display, False);
    return x_->FindBelow(DefaultRootWindow(x_->display), title);
}

bool ProgramWindows::IsShown(unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(x_->display, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

void ProgramWindows::RequestClose(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x_->protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(x_->deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x_->display, window, False, NoEventMask, &event);
    XSync(x_->display, False);
}

bool ProgramWindows::WaitUntilSplashClosed(const std::string& mainTitle, const std::string& splashTitle,
                                           std::chrono::milliseconds timeout) {
    // Closing the splash window hides it and may destroy its X window, so it
    // counts as closed once it was seen shown and is no longer.
    bool seen = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const Window splash = Find(splashTitle);
        const bool shown = splash != 0 && IsShown(splash);
        seen = seen || shown;
        if (seen && !shown) {
            const Window main = Find(mainTitle);
            return main != 0 && IsShown(main);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace tonvarra::test
