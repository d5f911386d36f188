#include "base/error.h"
#include "midi/midi_input.h"
#include "midi/rtmidi_driver.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

namespace tonvarra::midi {
namespace {

// CTest points JACK_DEFAULT_SERVER at a server that does not exist, so these run
// as on a machine without a JACK server; the ALSA cases depend on /dev/snd/seq.

TEST(RtMidiDriver, WithoutJackServerTheJackBackEndListsNothingAndSaysNothing) {
    ::testing::internal::CaptureStderr();
    {
        TMidiInput input(MakeRtMidiDriverFor(RtMidiBackend::Jack));
        EXPECT_TRUE(input.DeviceNames().empty());
        EXPECT_THROW(input.Open(0), Error);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(RtMidiDriver, AutomaticChoiceNeverFailsOrPrints) {
    ::testing::internal::CaptureStderr();
    {
        TMidiInput input(MakeRtMidiDriver());
        if (!std::filesystem::exists("/dev/snd/seq")) {
            EXPECT_TRUE(input.DeviceNames().empty());
        }
        for (const std::string& name : input.DeviceNames()) {
            // ALSA's numeric "client:port" address changes on replug, so it is not part of the name.
            EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(name.back())) &&
                         name.find_last_of(':') > name.find_last_of(' '))
                << name;
        }
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(RtMidiDriver, UnknownHandlesAndCodesAreRefused) {
    auto driver = MakeRtMidiDriverFor(RtMidiBackend::Jack);
    MidiHdr header;
    EXPECT_EQ(driver->Start(42), midi_result::InvalidHandle);
    EXPECT_EQ(driver->AddBuffer(42, header), midi_result::InvalidHandle);
    EXPECT_EQ(driver->Close(42), midi_result::InvalidHandle);
    std::string text;
    EXPECT_EQ(driver->GetErrorText(midi_result::InvalidHandle, text), midi_result::NoError);
    EXPECT_EQ(text, "The MIDI input device is not open.");
    EXPECT_NE(driver->GetErrorText(9999, text), midi_result::NoError);
}

} // namespace
} // namespace tonvarra::midi
