#pragma once

#include "midi/byte_ring.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct _jack_client;
struct _jack_port;

namespace tonvarra::test {

// JackMidiSource: a JACK MIDI output port made by a test, which the program
// lists as a MIDI input device. Needs a running server.
class JackMidiSource {
public:
    // Registers the port "clientName:portName"; throws std::runtime_error when it cannot.
    JackMidiSource(const std::string& clientName, const std::string& portName);
    ~JackMidiSource();
    JackMidiSource(const JackMidiSource&) = delete;
    JackMidiSource& operator=(const JackMidiSource&) = delete;

    [[nodiscard]] const std::string& FullPortName() const { return fullName_; }

    // Sends the messages in order and returns once JACK has taken them all. A cycle has
    // room for only so many events; what does not fit goes out in the next one.
    void Send(const std::vector<std::vector<std::uint8_t>>& messages);
    // Queues one message for the next cycle without waiting; false when the queue is full.
    bool Post(const std::vector<std::uint8_t>& message);
    // Waits until JACK has taken every message sent or posted; false on timeout.
    bool WaitUntilTaken(std::chrono::milliseconds timeout);
    // When the process cycle last took a message (steady clock); a benchmark's send time.
    [[nodiscard]] std::chrono::steady_clock::time_point LastTakenAt() const;

    // How many ports this one is connected to now.
    [[nodiscard]] int Connections() const;
    // Waits until some port (the program's input) has connected to this one.
    bool WaitForConnection(std::chrono::milliseconds timeout) const;

private:
    static int Process(std::uint32_t frames, void* self);

    midi::ByteRing ring_{64 * 1024};
    std::vector<std::uint8_t> pending_ = std::vector<std::uint8_t>(64 * 1024); // the process thread's
    std::size_t pendingLength_ = 0;
    std::uint64_t sent_ = 0;
    std::atomic<std::uint64_t> taken_{0};
    std::atomic<std::chrono::steady_clock::rep> lastTakenAt_{0};
    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    std::string fullName_;
};

} // namespace tonvarra::test
