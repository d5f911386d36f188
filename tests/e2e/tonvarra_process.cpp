#include "e2e/tonvarra_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tonvarra::test {
namespace {

constexpr std::string_view kSeparator1 = "\x23\xFC\x23\xF6\x23";
constexpr std::string_view kSeparator2 = "\x23\x4C\x23\x4C\x23";
constexpr std::string_view kSeparator3 = "\x23\x3F\x23\x24\x23";
constexpr std::string_view kSeparator4 = "\x23\x30\x23\xC4\x23";

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::filesystem::path MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tonvarra-e2e-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a folder below " +
                                 std::filesystem::temp_directory_path().string());
    }
    return pattern;
}

TonvarraProcess::Exit Decode(int status) {
    TonvarraProcess::Exit exit;
    if (WIFEXITED(status)) {
        exit.exited = true;
        exit.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exit.signal = WTERMSIG(status);
    }
    return exit;
}

} // namespace

std::string HotkeyFileLine(std::string_view name, std::string_view event, std::string_view keys,
                           std::string_view kind, bool enabled) {
    std::string line(name);
    line.append(kSeparator1).append(event).append(kSeparator2).append(keys).append(kSeparator3);
    line.append(kind).append(kSeparator4).append(enabled ? "-1" : "0").append("\r\n");
    return line;
}

TonvarraProcess::TonvarraProcess(const Setup& setup)
    : folder_(MakeFolder())
    , settings_(folder_ / "Settings") {
    const std::filesystem::path executable = folder_ / "tonvarra";
    std::vector<std::string> env;
    try {
        std::filesystem::copy_file(setup.executable, executable);
        std::filesystem::permissions(executable, std::filesystem::perms::owner_all);
        std::filesystem::create_directory(settings_);
        for (const SettingsFile& file : setup.settings) {
            WriteAll(settings_ / file.name, file.bytes);
        }
    } catch (const std::exception&) {
        std::filesystem::remove_all(folder_);
        throw;
    }

    // Everything the child needs is made before fork: after it, only exec-safe calls.
    const std::string overrides[] = {"DISPLAY=" + setup.display, "JACK_DEFAULT_SERVER=" + setup.jackServer,
                                     "QT_QPA_PLATFORM=xcb"};
    for (const std::string& entry : overrides) {
        env.push_back(entry);
    }
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const bool overridden =
            std::any_of(std::begin(overrides), std::end(overrides), [&](const std::string& o) {
                return entry.substr(0, entry.find('=') + 1) == o.substr(0, o.find('=') + 1);
            });
        if (!overridden) {
            env.emplace_back(entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string program = executable.string();
    const std::string log = (folder_ / "output.log").string();
    const std::string workingDirectory = folder_.string();
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const pid_t parent = getpid();

    pid_ = fork();
    if (pid_ < 0) {
        std::filesystem::remove_all(folder_);
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // The program must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent || chdir(workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        const int null = open("/dev/null", O_RDONLY);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(null, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
}

TonvarraProcess::~TonvarraProcess() {
    Stop(SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TonvarraProcess::Setting(const std::string& name) const {
    return ReadAll(settings_ / name);
}

std::vector<std::string> TonvarraProcess::SettingNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(settings_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string TonvarraProcess::Output() const {
    return ReadAll(folder_ / "output.log");
}

std::optional<TonvarraProcess::Exit> TonvarraProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (exit_ || pid_ <= 0) {
        return exit_;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exit_ = Decode(status);
            return exit_;
        }
        if (r < 0 && errno != EINTR) {
            exit_ = Exit{};
            return exit_;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TonvarraProcess::Exit TonvarraProcess::Stop(int signal, std::chrono::milliseconds grace) {
    if (!exit_ && pid_ > 0) {
        kill(pid_, signal);
        if (!WaitForExit(grace)) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
            exit_ = Decode(status);
        }
    }
    return exit_.value_or(Exit{});
}

} // namespace tonvarra::test
