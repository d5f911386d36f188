#include "midi/port_name.h"

#include <gtest/gtest.h>

namespace tonvarra::midi {
namespace {

TEST(PortName, DropsOnlyTheTrailingAlsaAddress) {
    const struct {
        const char* listed;
        const char* stored;
    } cases[] = {
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0"},
        {"nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTRL 24:0",
         "nanoKONTROL2:nanoKONTROL2 nanoKONTROL2 _ CTRL"},
        {"Pads 1:2:Pads 1:2 128:1", "Pads 1:2:Pads 1:2"}, // an address-like text inside the name stays
        {"a2j:Midi Through [14] (capture): Midi Through Port-0",
         "a2j:Midi Through [14] (capture): Midi Through Port-0"},
        {"system:midi_capture_1", "system:midi_capture_1"}, // a JACK name has no address
        {"Keys 20:", "Keys 20:"},
        {"Keys :0", "Keys :0"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutAlsaAddress(c.listed), c.stored) << c.listed;
    }
}

} // namespace
} // namespace tonvarra::midi
