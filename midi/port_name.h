#pragma once

#include <string>
#include <string_view>

namespace tonvarra::midi {

// The device name to list and store for an ALSA sequencer port as RtMidi
// names it ("client name:port name 20:0"): without the numeric client:port
// address, which changes when the device is plugged in again. Other names
// come back unchanged, and no name is shortened.
[[nodiscard]] std::string WithoutAlsaAddress(std::string_view name);

} // namespace tonvarra::midi
