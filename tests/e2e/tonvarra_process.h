#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tonvarra::test {

// One line of a hotkey file (Windows-1252 separators, CR LF) for ASCII texts.
[[nodiscard]] std::string HotkeyFileLine(std::string_view name, std::string_view event, std::string_view keys,
                                         std::string_view kind, bool enabled = true);

// A file of the "Settings" folder: its name and its bytes.
struct SettingsFile {
    std::string name;
    std::string bytes;
};

// TonvarraProcess: the real program, started as a user starts it: a copy of
// the executable in a folder of its own, a "Settings" folder beside it, that
// folder as the working directory, and the test's X display and JACK server.
// The process never outlives the object (nor the test process), and the
// folder goes with it.
class TonvarraProcess {
public:
    struct Setup {
        std::filesystem::path executable;
        std::vector<SettingsFile> settings;
        std::string display;    // DISPLAY
        std::string jackServer; // JACK_DEFAULT_SERVER
    };

    // How the process ended.
    struct Exit {
        bool exited = false; // by returning from main or exit()
        int code = -1;       // its exit code when exited
        int signal = 0;      // the signal that ended it otherwise
    };

    // Throws std::runtime_error when the folder cannot be made or the program cannot be started.
    explicit TonvarraProcess(const Setup& setup);
    // Stops the program (SIGTERM, then SIGKILL) and removes the folder.
    ~TonvarraProcess();
    TonvarraProcess(const TonvarraProcess&) = delete;
    TonvarraProcess& operator=(const TonvarraProcess&) = delete;

    [[nodiscard]] pid_t Pid() const { return pid_; }
    [[nodiscard]] const std::filesystem::path& SettingsFolder() const { return settings_; }
    // The bytes of a file in the settings folder; empty when it cannot be read.
    [[nodiscard]] std::string Setting(const std::string& name) const;
    // The names of the files in the settings folder, sorted.
    [[nodiscard]] std::vector<std::string> SettingNames() const;
    // The program's stdout and stderr so far, for a failure's message.
    [[nodiscard]] std::string Output() const;

    // Waits for the program to end by itself; empty on timeout.
    std::optional<Exit> WaitForExit(std::chrono::milliseconds timeout);
    // Sends signal, waits up to grace, then kills; how it ended.
    Exit Stop(int signal, std::chrono::milliseconds grace = std::chrono::seconds(15));

private:
    std::filesystem::path folder_;
    std::filesystem::path settings_;
    pid_t pid_ = -1;
    std::optional<Exit> exit_;
};

} // namespace tonvarra::test
