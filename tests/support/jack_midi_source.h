#pragma once

#include "midi/byte_ring.h"

#include <atomic>
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

private:
    static int Process(std::uint32_t frames, void* self);

    midi::ByteRing ring_{64 * 1024};
    std::vector<std::uint8_t> pending_ = std::vector<std::uint8_t>(64 * 1024); // the process thread's
    std::size_t pendingLength_ = 0;
    std::uint64_t sent_ = 0;
    std::atomic<std::uint64_t> taken_{0};
    _jack_client* client_ = nullptr;
    _jack_port* port_ = nullptr;
    std::string fullName_;
};

} // namespace tonvarra::test
