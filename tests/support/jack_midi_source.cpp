#include "support/jack_midi_source.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace tonvarra::test {

JackMidiSource::JackMidiSource(const std::string& clientName, const std::string& portName) {
    jack_status_t status{};
    client_ = jack_client_open(clientName.c_str(),
                               static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), &status);
    if (client_ == nullptr) {
        throw std::runtime_error("JackMidiSource: no JACK server, or the client name is taken");
    }
    port_ = jack_port_register(client_, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (port_ == nullptr || jack_set_process_callback(client_, &JackMidiSource::Process, this) != 0 ||
        jack_activate(client_) != 0) {
        jack_client_close(client_);
        throw std::runtime_error("JackMidiSource: cannot register and activate the port");
    }
    fullName_ = jack_port_name(port_);
}

JackMidiSource::~JackMidiSource() {
    jack_client_close(client_);
}

void JackMidiSource::Send(const std::vector<std::vector<std::uint8_t>>& messages) {
    using namespace std::chrono_literals;
    for (const auto& message : messages) {
        while (!Post(message)) {
            std::this_thread::sleep_for(1ms);
        }
    }
    WaitUntilTaken(10s);
}

bool JackMidiSource::Post(const std::vector<std::uint8_t>& message) {
    if (!ring_.Push(message)) {
        return false;
    }
    ++sent_;
    return true;
}

bool JackMidiSource::WaitUntilTaken(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (taken_.load() != sent_) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

std::chrono::steady_clock::time_point JackMidiSource::LastTakenAt() const {
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lastTakenAt_.load()));
}

int JackMidiSource::Connections() const {
    return jack_port_connected(port_);
}

bool JackMidiSource::WaitForConnection(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Connections() == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int JackMidiSource::Process(std::uint32_t frames, void* self) {
    auto& source = *static_cast<JackMidiSource*>(self);
    void* buffer = jack_port_get_buffer(source.port_, frames);
    jack_midi_clear_buffer(buffer);
    for (;;) {
        if (source.pendingLength_ == 0) {
            const std::size_t length = source.ring_.Pop(source.pending_);
            if (length == 0) {
                break;
            }
            source.pendingLength_ = length;
        }
        if (jack_midi_max_event_size(buffer) < source.pendingLength_) {
            break; // the next cycle sends it
        }
        jack_midi_data_t* event = jack_midi_event_reserve(buffer, 0, source.pendingLength_);
        if (event == nullptr) {
            break;
        }
        std::memcpy(event, source.pending_.data(), source.pendingLength_);
        source.pendingLength_ = 0;
        source.lastTakenAt_.store(std::chrono::steady_clock::now().time_since_epoch().count());
        source.taken_.fetch_add(1);
    }
    return 0;
}

} // namespace tonvarra::test
