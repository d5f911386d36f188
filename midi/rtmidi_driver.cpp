#include "midi/rtmidi_driver.h"

#include "midi/delivery_queue.h"
#include "midi/port_name.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace tonvarra::midi {

namespace {

namespace result = midi_result;

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}
void SilentJackMessage(const char*) {}

// alsa-lib and libjack print their own complaints (no sequencer, no server) on stderr;
// a desktop program reports through its windows instead.
void SilenceLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        snd_lib_error_set_handler(&SilentAlsaError);
        jack_set_error_function(&SilentJackMessage);
        jack_set_info_function(&SilentJackMessage);
    });
}

// RtMidi prints a warning on stderr when its JACK client finds no server, so
// ask first, with libjack's own printing silenced.
bool JackServerRuns() {
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("tonvarra-probe", JackNoStartServer, &status);
    if (probe == nullptr) {
        return false;
    }
    jack_client_close(probe);
    return true;
}

// RtMidi prints on stderr before it throws when the sequencer cannot be opened,
// so try it first, as RtMidi would.
bool AlsaSequencerOpens() {
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        return false;
    }
    snd_seq_close(sequencer);
    return true;
}

// Whether source is connected to a port whose short name is portName, asked of the server.
bool JackConnected(const std::string& source, const std::string& portName) {
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("tonvarra-probe", JackNoStartServer, &status);
    if (probe == nullptr) {
        return false;
    }
    bool connected = false;
    if (jack_port_t* port = jack_port_by_name(probe, source.c_str())) {
        if (const char** peers = jack_port_get_all_connections(probe, port)) {
            for (const char** peer = peers; *peer != nullptr; ++peer) {
                const std::string name(*peer);
                connected = connected || (name.size() > portName.size() &&
                                          name.compare(name.size() - portName.size() - 1, std::string::npos,
                                                       ":" + portName) == 0);
            }
            jack_free(static_cast<void*>(peers));
        }
    }
    jack_client_close(probe);
    return connected;
}

std::string StableName(RtMidi::Api api, const std::string& name) {
    return api == RtMidi::LINUX_ALSA ? WithoutAlsaAddress(name) : name;
}

// RtMidi reports through this once it is installed, instead of throwing or printing.
struct ErrorSink {
    std::atomic<bool> failed{false};

    static void Report(RtMidiError::Type type, const std::string&, void* sink) {
        if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) {
            static_cast<ErrorSink*>(sink)->failed.store(true);
        }
    }
};

// One open device: its RtMidi client and the queue that hands its messages on.
// RtMidi calls OnMessage on its own input thread (ALSA) or inside JACK's
// real-time cycle; the queue's delivery thread calls the manager's callback.
struct Port {
    Port(MidiInHandle handle, MidiInCallback callback, std::uintptr_t instance,
         std::atomic<std::uint64_t>& lost)
        : queue(handle, callback, instance, lost) {}
    ~Port() { Shutdown(); }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    static void OnMessage(double, std::vector<unsigned char>* message, void* self) {
        if (message != nullptr) {
            static_cast<Port*>(self)->queue.Push(*message);
        }
    }

    // RtMidi's deliveries end first (closing joins its input thread, or leaves
    // JACK's cycle), then the queue's, so no callback outlives the port.
    void Shutdown() {
        in.reset();
        queue.Shutdown();
    }

    DeliveryQueue queue;
    std::unique_ptr<RtMidiIn> in;
    ErrorSink errors;
};

// RtMidiDriver: the MIDI input driver over RtMidi's ALSA sequencer or JACK back end.
class RtMidiDriver final : public MidiInDriver {
public:
    explicit RtMidiDriver(RtMidiBackend backend) {
        SilenceLibraries();
        std::unique_ptr<RtMidiIn> lister;
        if (backend != RtMidiBackend::Jack) {
            lister = MakeIn(RtMidi::LINUX_ALSA);
        }
        if (!lister && backend != RtMidiBackend::Alsa) {
            lister = MakeIn(RtMidi::UNIX_JACK);
        }
        if (!lister) {
            return; // no MIDI system: no devices
        }
        api_ = lister->getCurrentApi();
        ErrorSink errors;
        lister->setErrorCallback(&ErrorSink::Report, &errors);
        const unsigned count = lister->getPortCount();
        for (unsigned port = 0; port < count; ++port) {
            names_.push_back(StableName(api_, lister->getPortName(port)));
        }
    }

    ~RtMidiDriver() override {
        std::map<MidiInHandle, std::unique_ptr<Port>> ports;
        {
            const std::lock_guard lock(portsMutex_);
            ports.swap(ports_);
        }
        ports.clear();
    }

    std::uint32_t GetNumDevs() override { return static_cast<std::uint32_t>(names_.size()); }

    MidiResult GetDevCaps(std::uint32_t device, std::string& name) override {
        if (device >= names_.size()) {
            return result::BadDeviceId;
        }
        name = names_[device];
        return result::NoError;
    }

    MidiResult Open(MidiInHandle& handle, std::uint32_t device, MidiInCallback callback,
                    std::uintptr_t instance) override {
        if (device >= names_.size()) {
            return result::BadDeviceId;
        }
        {
            const std::lock_guard lock(portsMutex_);
            if (openDevices_.contains(device)) {
                return result::Allocated;
            }
        }
        const MidiInHandle newHandle = ++lastHandle_;
        auto port = std::make_unique<Port>(newHandle, callback, instance, lost_);
        port->in = MakeIn(api_);
        if (!port->in) {
            return result::NoDriver;
        }
        port->in->setErrorCallback(&ErrorSink::Report, &port->errors);
        const std::optional<unsigned> index = FindPort(*port->in, device);
        if (!index) {
            return result::BadDeviceId;
        }
        // Everything reaches us: the handlers drop what they do not want.
        port->in->ignoreTypes(false, false, false);
        port->in->setCallback(&Port::OnMessage, port.get());
        const std::string portName = "in-" + std::to_string(::getpid()) + "-" + std::to_string(newHandle);
        port->in->openPort(*index, portName);
        // RtMidi's JACK back end does not check its connection, so ask the server.
        const bool connected =
            api_ == RtMidi::UNIX_JACK ? JackConnected(names_[device], portName) : port->in->isPortOpen();
        if (port->errors.failed.load() || !connected) {
            return result::Error;
        }
        const std::lock_guard lock(portsMutex_);
        openDevices_.insert_or_assign(device, newHandle);
        ports_.emplace(newHandle, std::move(port));
        handle = newHandle;
        return result::NoError;
    }

    MidiResult PrepareHeader(MidiInHandle handle, MidiHdr& header) override {
        if (Find(handle) == nullptr) {
            return result::InvalidHandle;
        }
        header.dwFlags |= MHDR_PREPARED;
        return result::NoError;
    }

    MidiResult AddBuffer(MidiInHandle handle, MidiHdr& header) override {
        Port* port = Find(handle);
        if (port == nullptr) {
            return result::InvalidHandle;
        }
        if ((header.dwFlags & MHDR_PREPARED) == 0) {
            return result::Unprepared;
        }
        if ((header.dwFlags & MHDR_INQUEUE) != 0) {
            return result::StillPlaying;
        }
        if (header.lpData == nullptr || header.dwBufferLength == 0) {
            return result::InvalidParam;
        }
        header.dwFlags = (header.dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
        return port->queue.AddBuffer(header);
    }

    MidiResult Start(MidiInHandle handle) override {
        Port* port = Find(handle);
        if (port == nullptr) {
            return result::InvalidHandle;
        }
        port->queue.Start();
        return result::NoError;
    }

    MidiResult Stop(MidiInHandle handle) override {
        Port* port = Find(handle);
        if (port == nullptr) {
            return result::InvalidHandle;
        }
        return port->queue.Stop();
    }

    MidiResult Reset(MidiInHandle handle) override {
        Port* port = Find(handle);
        if (port == nullptr) {
            return result::InvalidHandle;
        }
        return port->queue.Reset();
    }

    MidiResult UnprepareHeader(MidiInHandle handle, MidiHdr& header) override {
        if (Find(handle) == nullptr) {
            return result::InvalidHandle;
        }
        if ((header.dwFlags & MHDR_INQUEUE) != 0) {
            return result::StillPlaying;
        }
        header.dwFlags &= ~MHDR_PREPARED;
        return result::NoError;
    }

    MidiResult Close(MidiInHandle handle) override {
        std::unique_ptr<Port> port;
        {
            const std::lock_guard lock(portsMutex_);
            const auto found = ports_.find(handle);
            if (found == ports_.end()) {
                return result::InvalidHandle;
            }
            if (found->second->queue.HasQueuedBuffers()) {
                return result::StillPlaying;
            }
            port = std::move(found->second);
            ports_.erase(found);
            std::erase_if(openDevices_, [handle](const auto& entry) { return entry.second == handle; });
        }
        port->Shutdown();
        return result::NoError;
    }

    MidiResult GetErrorText(MidiResult code, std::string& text) override {
        static const std::map<MidiResult, const char*> texts = {
            {result::Error, "The MIDI input device could not be connected."},
            {result::BadDeviceId, "The MIDI input device is not connected."},
            {result::Allocated, "The MIDI input device is already open."},
            {result::InvalidHandle, "The MIDI input device is not open."},
            {result::NoDriver, "The MIDI system (ALSA sequencer or JACK server) is not available."},
            {result::NoMemory, "There is not enough memory for the MIDI input device."},
            {result::InvalidParam, "An invalid parameter was passed to the MIDI input device."},
            {result::Unprepared, "The MIDI input buffer has not been prepared."},
            {result::StillPlaying, "MIDI input buffers are still queued."},
        };
        const auto found = texts.find(code);
        if (found == texts.end()) {
            return result::InvalidParam;
        }
        text = found->second;
        return result::NoError;
    }

    std::uint64_t LostMessages() const override { return lost_.load(std::memory_order_relaxed); }

private:
    static std::unique_ptr<RtMidiIn> MakeIn(RtMidi::Api api) {
        const bool there = (api == RtMidi::LINUX_ALSA && AlsaSequencerOpens()) ||
                           (api == RtMidi::UNIX_JACK && JackServerRuns());
        if (!there) {
            return nullptr;
        }
        // Should the system go away between the check and here, the ALSA back end
        // throws, and RtMidi does not fall back by itself.
        try {
            return std::make_unique<RtMidiIn>(api, "Tonvarra");
        } catch (const RtMidiError&) {
            return nullptr;
        }
    }

    // RtMidi's port numbers shift when devices come and go, so the device is
    // looked up again by name; among equal names, the n-th stays the n-th.
    std::optional<unsigned> FindPort(RtMidiIn& in, std::uint32_t device) const {
        const std::string& name = names_[device];
        const auto occurrence = std::count(names_.begin(), names_.begin() + device, name);
        long seen = 0;
        const unsigned count = in.getPortCount();
        for (unsigned port = 0; port < count; ++port) {
            if (StableName(api_, in.getPortName(port)) == name && seen++ == occurrence) {
                return port;
            }
        }
        return std::nullopt;
    }

    Port* Find(MidiInHandle handle) {
        const std::lock_guard lock(portsMutex_);
        const auto found = ports_.find(handle);
        return found == ports_.end() ? nullptr : found->second.get();
    }

    RtMidi::Api api_{}; // no back end: no devices
    std::vector<std::string> names_;
    std::atomic<std::uint64_t> lost_{0};
    MidiInHandle lastHandle_ = NoMidiInHandle;
    std::mutex portsMutex_;
    std::map<std::uint32_t, MidiInHandle> openDevices_;
    std::map<MidiInHandle, std::unique_ptr<Port>> ports_;
};

} // namespace

std::unique_ptr<MidiInDriver> MakeRtMidiDriver() {
    return MakeRtMidiDriverFor(RtMidiBackend::Automatic);
}

std::unique_ptr<MidiInDriver> MakeRtMidiDriverFor(RtMidiBackend backend) {
    return std::make_unique<RtMidiDriver>(backend);
}

} // namespace tonvarra::midi
