#include "base/error.h"
#include "midi/midi_input.h"
#include "midi/rtmidi_driver.h"
#include "support/jack_midi_source.h"
#include "support/jack_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// libjack's own lock-free structures use plain memory that ThreadSanitizer cannot follow.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libjack.so\n";
}

namespace tonvarra::midi {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Received {
    std::int32_t device;
    Bytes bytes;
    std::thread::id thread;
};

// Collects deliveries and lets the test wait for a number of them.
class Inbox {
public:
    void HandleMidiData(std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1,
                        std::uint8_t Data2) {
        Add({DeviceIndex, {Status, Data1, Data2}, std::this_thread::get_id()});
    }
    void HandleSysEx(std::int32_t DeviceIndex, const std::vector<std::uint8_t>& Stream) {
        Add({DeviceIndex, Stream, std::this_thread::get_id()});
    }

    std::vector<Received> WaitFor(std::size_t count, std::chrono::milliseconds timeout = 10s) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return items_.size() >= count; });
        return items_;
    }
    std::size_t Count() {
        const std::lock_guard lock(mutex_);
        return items_.size();
    }

private:
    void Add(Received item) {
        {
            const std::lock_guard lock(mutex_);
            items_.push_back(std::move(item));
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Received> items_;
};

class JackInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(server.emplace());
        source.emplace("tonvarra-e2e-source", "pads out");
        input.emplace(MakeRtMidiDriverFor(RtMidiBackend::Jack));
        const auto& names = input->DeviceNames();
        const auto found = std::find(names.begin(), names.end(), source->FullPortName());
        ASSERT_NE(found, names.end());
        index = static_cast<std::int32_t>(found - names.begin());
        input->SetOnShortMessage(ShortMessageHandler::bind<&Inbox::HandleMidiData>(&inbox));
        input->SetOnSysExBlock(SysExHandler::bind<&Inbox::HandleSysEx>(&inbox));
    }

    void TearDown() override {
        input.reset();
        source.reset();
        server.reset();
    }

    std::optional<test::JackServer> server;
    std::optional<test::JackMidiSource> source;
    std::optional<TMidiInput> input;
    Inbox inbox;
    std::int32_t index = -1;
};

TEST_F(JackInput, NoteOnReachesTheHandlerOnADeliveryThread) {
    input->Open(index);
    source->Send({{0x90, 0x3C, 0x64}});
    const auto got = inbox.WaitFor(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].device, index);
    EXPECT_EQ(got[0].bytes, (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_NE(got[0].thread, std::this_thread::get_id());
}

TEST_F(JackInput, AThousandMessagesArriveCompleteAndInOrder) {
    input->Open(index);
    std::vector<Bytes> sent;
    for (int i = 0; i < 1000; ++i) {
        sent.push_back({static_cast<std::uint8_t>(i % 2 == 0 ? 0x90 : 0x80),
                        static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128)});
    }
    source->Send(sent);
    const auto got = inbox.WaitFor(sent.size());
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(got[i].bytes, sent[i]) << "message " << i;
    }
    EXPECT_EQ(input->LostMessages(), 0u);
}

TEST_F(JackInput, ShortMessagesOfOneAndTwoBytesArriveWithZeroes) {
    input->Open(index);
    source->Send({{0xF8}, {0xC0, 0x05}});
    const auto got = inbox.WaitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bytes, (Bytes{0xF8, 0x00, 0x00}));
    EXPECT_EQ(got[1].bytes, (Bytes{0xC0, 0x05, 0x00}));
}

TEST_F(JackInput, SysExArrivesThroughTheBufferPath) {
    input->Open(index);
    Bytes dump(300);
    for (std::size_t i = 0; i < dump.size(); ++i) {
        dump[i] = static_cast<std::uint8_t>(i % 0x80);
    }
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    source->Send({dump, {0x90, 0x3C, 0x64}});
    const auto got = inbox.WaitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bytes, dump);
    EXPECT_EQ(got[1].bytes, (Bytes{0x90, 0x3C, 0x64}));
}

TEST_F(JackInput, NothingArrivesAfterClose) {
    input->Open(index);
    source->Send({{0x90, 0x3C, 0x64}});
    ASSERT_EQ(inbox.WaitFor(1).size(), 1u);
    input->Close(index);
    source->Send({{0x80, 0x3C, 0x00}, {0x90, 0x3D, 0x64}});
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(inbox.Count(), 1u);
    // And it opens again.
    input->Open(index);
    source->Send({{0x90, 0x3E, 0x64}});
    EXPECT_EQ(inbox.WaitFor(2).size(), 2u);
}

TEST_F(JackInput, CloseReturnsOnlyAfterTheLastDeliveryEnded) {
    struct Slow {
        void HandleMidiData(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) {
            inside = true;
            ++calls;
            std::this_thread::sleep_for(50ms);
            inside = false;
        }
        std::atomic<bool> inside{false};
        std::atomic<int> calls{0};
    } slow;
    input->SetOnShortMessage(ShortMessageHandler::bind<&Slow::HandleMidiData>(&slow));
    input->Open(index);
    source->Send({{0x90, 0x3C, 0x64}, {0x90, 0x3D, 0x64}, {0x90, 0x3E, 0x64}, {0x90, 0x3F, 0x64}});
    for (int i = 0; i < 1000 && slow.calls == 0; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_GT(slow.calls.load(), 0);
    input->Close(index);
    EXPECT_FALSE(slow.inside.load());
    const int afterClose = slow.calls.load();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(slow.calls.load(), afterClose);
}

TEST_F(JackInput, ADeviceThatWentAwayFailsToOpenWithAClearMessage) {
    source.reset();
    try {
        input->Open(index);
        ADD_FAILURE() << "Open succeeded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "The MIDI input device is not connected.");
    }
    EXPECT_FALSE(input->IsOpen(index));
    // Plugged in again under the same name, it opens under its old index.
    source.emplace("tonvarra-e2e-source", "pads out");
    input->Open(index);
    source->Send({{0x90, 0x3C, 0x64}});
    EXPECT_EQ(inbox.WaitFor(1).size(), 1u);
}

TEST_F(JackInput, AutomaticChoiceUsesJackWhenThereIsNoSequencer) {
    if (std::filesystem::exists("/dev/snd/seq")) {
        GTEST_SKIP() << "this machine has an ALSA sequencer, which the automatic choice prefers";
    }
    TMidiInput automatic(MakeRtMidiDriver());
    const auto& names = automatic.DeviceNames();
    EXPECT_NE(std::find(names.begin(), names.end(), source->FullPortName()), names.end());
}

} // namespace
} // namespace tonvarra::midi
