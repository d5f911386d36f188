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
    // The dummy back end's clock. Its period is the transport's latency: an
    // event waits up to one period for the next cycle.
    struct Options {
        unsigned sampleRate = 48000;
        unsigned periodFrames = 1024;
        // Synchronous mode: each cycle waits for every client, so a late client
        // is not read while it is still writing its buffer.
        bool synchronous = false;
    };

    // Throws std::runtime_error when jackd cannot be started or does not answer in time.
    JackServer();
    explicit JackServer(Options options);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    [[nodiscard]] const std::string& Name() const { return name_; }

private:
    void Stop();

    Options options_;
    std::string name_;
    std::string previousServer_;
    bool hadPreviousServer_ = false;
    pid_t pid_ = -1;
};

} // namespace tonvarra::test
