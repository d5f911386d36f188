#pragma once

// XvfbServer: a virtual X server for one test, on a free display number that
// the server picks itself. It dies with the test process, also when that fails.

#include <string>
#include <sys/types.h>

namespace tonvarra::test {

class XvfbServer {
public:
    // Starts Xvfb and waits until it accepts connections; throws
    // std::runtime_error when it cannot.
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":<number>", for XOpenDisplay.
    [[nodiscard]] const std::string& DisplayName() const { return displayName_; }

    // Runs "setxkbmap -display <this> <layout>"; true when it succeeded.
    bool SetLayout(const std::string& layout) const;

private:
    pid_t pid_ = -1;
    std::string displayName_;
};

// Runs a program with arguments (no shell) and returns its exit status, or -1.
int RunProgram(const char* const argv[]);

} // namespace tonvarra::test
