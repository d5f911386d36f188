#pragma once

#include <string>
#include <sys/types.h>

namespace tonvarra::test {

// JackServer: a JACK server of the test's own, with the dummy back end, under a
// server name that no user's server has. Making one points this process's JACK
// clients at it (JACK_DEFAULT_SERVER) and waits until it answers; destroying it
// stops the server, also when the test failed. The server dies with the test
// process if that is killed.
class JackServer {
public:
    // Throws std::runtime_error when jackd cannot be started or does not answer in time.
    JackServer();
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    [[nodiscard]] const std::string& Name() const { return name_; }

private:
    void Stop();

    std::string name_;
    std::string previousServer_;
    bool hadPreviousServer_ = false;
    pid_t pid_ = -1;
};

} // namespace tonvarra::test
