#include "midi/midi_in_driver.h"
#include "midi/midi_input.h"

#include <mutex>
#include <utility>

namespace tonvarra::midi {

namespace {

// The driver until the program chooses one: a system without MIDI input devices.
class NoDevicesDriver final : public MidiInDriver {
public:
    std::uint32_t GetNumDevs() override { return 0; }
    MidiResult GetDevCaps(std::uint32_t, std::string&) override { return midi_result::BadDeviceId; }
    MidiResult Open(MidiInHandle&, std::uint32_t, MidiInCallback, std::uintptr_t) override {
        return midi_result::BadDeviceId;
    }
    MidiResult PrepareHeader(MidiInHandle, MidiHdr&) override { return midi_result::InvalidHandle; }
    MidiResult AddBuffer(MidiInHandle, MidiHdr&) override { return midi_result::InvalidHandle; }
    MidiResult Start(MidiInHandle) override { return midi_result::InvalidHandle; }
    MidiResult Stop(MidiInHandle) override { return midi_result::InvalidHandle; }
    MidiResult Reset(MidiInHandle) override { return midi_result::InvalidHandle; }
    MidiResult UnprepareHeader(MidiInHandle, MidiHdr&) override { return midi_result::InvalidHandle; }
    MidiResult Close(MidiInHandle) override { return midi_result::InvalidHandle; }
    MidiResult GetErrorText(MidiResult, std::string&) override { return midi_result::Error; }
};

struct Shared {
    std::mutex mutex;
    std::function<std::unique_ptr<MidiInDriver>()> factory;
    std::unique_ptr<TMidiInput> input;
};

Shared& shared() {
    static Shared instance;
    return instance;
}

} // namespace

TMidiInput& SharedMidiInput() {
    Shared& s = shared();
    const std::lock_guard lock(s.mutex);
    if (!s.input) {
        // A failing constructor leaves the slot empty, so the next call tries again.
        s.input = std::make_unique<TMidiInput>(s.factory ? s.factory() : std::make_unique<NoDevicesDriver>());
    }
    return *s.input;
}

void SetMidiDriverFactory(std::function<std::unique_ptr<MidiInDriver>()> factory) {
    Shared& s = shared();
    const std::lock_guard lock(s.mutex);
    s.factory = std::move(factory);
}

void ResetSharedMidiInput() {
    std::unique_ptr<TMidiInput> old;
    {
        Shared& s = shared();
        const std::lock_guard lock(s.mutex);
        old = std::move(s.input);
    }
    // Destroyed outside the lock: closing waits for deliveries, which may call SharedMidiInput.
}

} // namespace tonvarra::midi
