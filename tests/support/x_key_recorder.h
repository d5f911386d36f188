#pragma once

// XKeyRecorder: a small X client for tests. It owns a window that has the input
// focus and records the KeyPress and KeyRelease events that reach it, with the
// keysym the keymap gives for the event's modifier state.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tonvarra::test {

class XKeyRecorder {
public:
    struct Received {
        bool press;
        unsigned keycode;
        unsigned state;                             // the modifiers before the event
        std::string keysym;                         // "a", "A", "Shift_L", "at"
        std::string text;                           // what the event types, empty for none
        std::chrono::steady_clock::time_point at{}; // when this client read the event
    };

    // Connects to displayName, maps a window and gives it the focus; throws
    // std::runtime_error when it cannot.
    explicit XKeyRecorder(const std::string& displayName);
    ~XKeyRecorder();
    XKeyRecorder(const XKeyRecorder&) = delete;
    XKeyRecorder& operator=(const XKeyRecorder&) = delete;

    // Collects events until count key events have arrived in all and no more
    // come for a short while, or until timeout.
    std::vector<Received> WaitFor(std::size_t count,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Reads events until count key events have arrived in all or timeout has
    // passed, and returns how many there are; no wait beyond that.
    std::size_t Collect(std::size_t count, std::chrono::milliseconds timeout);
    [[nodiscard]] const std::vector<Received>& Events() const { return received_; }
    // Takes the input focus back from whatever window took it (another
    // program's window, with no window manager to arbitrate).
    void TakeFocus();
    [[nodiscard]] bool HasFocus();
    // The key events so far as "+Shift_L +A[S] -A[S] -Shift_L[S]": + press,
    // - release, the state's modifiers in brackets (S Shift, L Lock, C Control,
    // 1-5 Mod1-Mod5).
    [[nodiscard]] std::string Trace() const;
    // What the presses typed.
    [[nodiscard]] std::string Typed() const;
    // The lock modifiers in force now (XKB state), such as Mod2 for NUM LOCK.
    [[nodiscard]] unsigned LockedMods();
    // The keycode that carries keysymName, 0 when none.
    [[nodiscard]] unsigned KeycodeOf(const char* keysymName);
    void Clear() { received_.clear(); }

private:
    void Pump(std::chrono::milliseconds wait);

    struct Connection;
    Connection* x_;
    std::vector<Received> received_;
};

} // namespace tonvarra::test
