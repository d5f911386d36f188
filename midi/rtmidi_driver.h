#pragma once

#include "midi/midi_in_driver.h"

#include <memory>

namespace tonvarra::midi {

// Which of RtMidi's Linux back ends the driver lists and opens.
enum class RtMidiBackend {
    Automatic, // the ALSA sequencer, or JACK when there is no sequencer and a JACK server runs
    Alsa,
    Jack,
};

// The MIDI input driver over RtMidi. When the chosen back end is not there it
// lists no devices, and says nothing about it on stderr.
[[nodiscard]] std::unique_ptr<MidiInDriver> MakeRtMidiDriver();
// The same over one back end only (tests choose JACK even where a sequencer exists).
[[nodiscard]] std::unique_ptr<MidiInDriver> MakeRtMidiDriverFor(RtMidiBackend backend);

} // namespace tonvarra::midi
