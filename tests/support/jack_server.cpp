#include "support/jack_server.h"

#include <jack/jack.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tonvarra::test {

namespace {

using namespace std::chrono_literals;

void Silent(const char*) {}

bool Answers() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("tonvarra-test-probe", JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

// True when the child has ended; reaps it.
bool Ended(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

JackServer::JackServer()
    : JackServer(Options{}) {}

JackServer::JackServer(Options options)
    : options_(options) {
    static std::atomic<int> serial{0};
    name_ = "tonvarra-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);

    // Everything the child needs is made before fork: after it, only exec-safe calls.
    std::vector<std::string> env = {"JACK_DEFAULT_SERVER=" + name_, "JACK_NO_AUDIO_RESERVATION=1"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        if (entry.rfind("JACK_DEFAULT_SERVER=", 0) != 0 &&
            entry.rfind("JACK_NO_AUDIO_RESERVATION=", 0) != 0) {
            env.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string rate = std::to_string(options_.sampleRate);
    const std::string period = std::to_string(options_.periodFrames);
    std::vector<const char*> argv = {"jackd", "--no-realtime"};
    if (options_.synchronous) {
        argv.push_back("--sync");
    }
    for (const char* arg : {"-d", "dummy", "-r", rate.c_str(), "-p", period.c_str()}) {
        argv.push_back(arg);
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("JackServer: fork failed");
    }
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvpe("jackd", const_cast<char* const*>(argv.data()), envp.data());
        _exit(127);
    }

    if (const char* previous = std::getenv("JACK_DEFAULT_SERVER")) {
        previousServer_ = previous;
        hadPreviousServer_ = true;
    }
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!Answers()) {
        if (Ended(pid_)) {
            pid_ = -1;
            Stop();
            throw std::runtime_error("JackServer: jackd ended at start (is jackd installed?)");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            throw std::runtime_error("JackServer: jackd did not answer within 20 s");
        }
        std::this_thread::sleep_for(50ms);
    }
}

JackServer::~JackServer() {
    Stop();
}

void JackServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!Ended(pid_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        pid_ = -1;
    }
    if (hadPreviousServer_) {
        setenv("JACK_DEFAULT_SERVER", previousServer_.c_str(), 1);
    } else {
        unsetenv("JACK_DEFAULT_SERVER");
    }
}

} // namespace tonvarra::test
