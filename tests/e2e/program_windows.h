#pragma once

#include <chrono>
#include <string>

namespace tonvarra::test {

// ProgramWindows: what a test sees of another program's top-level windows on
// an X display: found by title, shown or not, and asked to close the way a
// window manager's close box asks.
class ProgramWindows {
public:
    // Connects to displayName; throws std::runtime_error when it cannot.
    explicit ProgramWindows(const std::string& displayName);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // The window with this title (_NET_WM_NAME, else WM_NAME); 0 when there is none.
    [[nodiscard]] unsigned long Find(const std::string& title);
    [[nodiscard]] bool IsShown(unsigned long window);
    // Sends WM_DELETE_WINDOW in a WM_PROTOCOLS client message.
    void RequestClose(unsigned long window);

    // Waits until the window titled splashTitle has been shown and has gone
    // again, and tells whether the window titled mainTitle is shown then;
    // false on timeout. Start waiting before the splash window can have gone.
    bool WaitUntilSplashClosed(const std::string& mainTitle, const std::string& splashTitle,
                               std::chrono::milliseconds timeout);

private:
    struct Connection;
    Connection* x_;
};

} // namespace tonvarra::test
