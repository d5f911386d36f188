#include "base/error.h"
#include "midi/midi_input.h"
#include "support/scripted_midi_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace tonvarra::midi {
namespace {

using test::ScriptedMidiDriver;
using Step = ScriptedMidiDriver::Step;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Message {
    std::int32_t device;
    std::uint8_t status, data1, data2;
    std::thread::id thread;
    friend bool operator==(const Message& a, const Message& b) {
        return a.device == b.device && a.status == b.status && a.data1 == b.data1 && a.data2 == b.data2;
    }
};

// Collects what its handlers receive.
struct Recorder {
    void HandleMidiData(std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1,
                        std::uint8_t Data2) {
        const std::lock_guard lock(mutex);
        messages.push_back({DeviceIndex, Status, Data1, Data2, std::this_thread::get_id()});
    }
    void HandleSysEx(std::int32_t, const std::vector<std::uint8_t>& Stream) {
        const std::lock_guard lock(mutex);
        blocks.push_back(Stream);
    }
    std::mutex mutex;
    std::vector<Message> messages;
    std::vector<std::vector<std::uint8_t>> blocks;
};

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no exception)";
}

class MidiInputTest : public ::testing::Test {
protected:
    explicit MidiInputTest(std::vector<std::string> names = {"Pads", "Keys", "Pads"}) {
        auto owned = std::make_unique<ScriptedMidiDriver>(std::move(names));
        driver = owned.get();
        input.emplace(std::move(owned));
        input->SetOnShortMessage(ShortMessageHandler::bind<&Recorder::HandleMidiData>(&recorder));
        driver->ClearCalls(); // the listing at creation
    }

    Recorder recorder;
    ScriptedMidiDriver* driver = nullptr;
    std::optional<TMidiInput> input;
};

TEST_F(MidiInputTest, ListsEveryDeviceInSystemOrderAndTellsEqualNamesApartByIndex) {
    EXPECT_THAT(input->DeviceNames(), ElementsAre("Pads", "Keys", "Pads"));
    input->Open(2);
    EXPECT_FALSE(driver->IsOpen(0));
    EXPECT_TRUE(driver->IsOpen(2));
    EXPECT_FALSE(driver->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_TRUE(driver->Deliver(2, 0x90, 0x3C, 0x64));
    EXPECT_THAT(recorder.messages, ElementsAre(Message{2, 0x90, 0x3C, 0x64, {}}));
}

TEST_F(MidiInputTest, HandsEveryShortMessageOnAsIsOnTheDeliveryThread) {
    input->Open(0);
    input->Open(1);
    const std::vector<Message> sent = {
        {1, 0x90, 0x3C, 0x64, {}}, // note-on
        {0, 0xFE, 0x00, 0x00, {}}, // active sensing is not filtered here
        {0, 0xF8, 0x00, 0x00, {}}, // nor is the clock
        {1, 0xB0, 0x07, 0x7F, {}}, // controller
        {0, 0x80, 0x3C, 0x00, {}}, // note-off
    };
    for (const Message& m : sent) {
        ASSERT_TRUE(driver->Deliver(m.device, m.status, m.data1, m.data2));
    }
    EXPECT_EQ(recorder.messages, sent);
    for (const Message& m : recorder.messages) {
        EXPECT_EQ(m.thread, driver->DeliveryThread());
        EXPECT_NE(m.thread, std::this_thread::get_id());
    }
}

TEST_F(MidiInputTest, EmptyHandlerSlotDropsMessagesWithoutError) {
    input->Open(0);
    input->SetOnShortMessage({});
    EXPECT_FALSE(input->OnShortMessage());
    EXPECT_TRUE(driver->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(input->DeliveryFaults(), 0u);
}

TEST_F(MidiInputTest, OpenAndCloseLeaveADeviceInTheTargetStateAlone) {
    input->Open(1);
    input->Open(1);
    EXPECT_THAT(driver->Calls(), ElementsAre("Open 1", "PrepareHeader 1", "AddBuffer 1", "Start 1"));
    input->Close(1);
    input->Close(1);
    input->Close(0);
    EXPECT_THAT(driver->Calls(), ElementsAre("Open 1", "PrepareHeader 1", "AddBuffer 1", "Start 1", "Stop 1",
                                             "Reset 1", "UnprepareHeader 1", "Close 1"));
    EXPECT_FALSE(driver->IsOpen(1));
    EXPECT_FALSE(input->IsOpen(1));
    EXPECT_FALSE(driver->Deliver(1, 0x90, 0x3C, 0x64));
}

TEST_F(MidiInputTest, IndexOutsideTheListThrowsAndChangesNothing) {
    for (const std::int32_t index : {-1, 3, 2147483647}) {
        const std::string expected =
            "TMidiInput: Device index out of bounds! (" + std::to_string(index) + ")";
        EXPECT_EQ(MessageOf([&] { input->Open(index); }), expected);
        EXPECT_EQ(MessageOf([&] { input->Close(index); }), expected);
    }
    EXPECT_TRUE(driver->Calls().empty());
}

class NoDevicesTest : public MidiInputTest {
protected:
    NoDevicesTest()
        : MidiInputTest({}) {}
};

TEST_F(NoDevicesTest, ListIsEmptyAndIndexZeroIsOutOfBounds) {
    EXPECT_TRUE(input->DeviceNames().empty());
    EXPECT_EQ(MessageOf([&] { input->Open(0); }), "TMidiInput: Device index out of bounds! (0)");
    EXPECT_EQ(MessageOf([&] { input->Close(0); }), "TMidiInput: Device index out of bounds! (0)");
}

// A failing step of Open or Close: what is reported, and what state survives.
struct StepFailure {
    Step step;
    bool inOpen;         // a step of Open, else of Close
    bool openAfterwards; // whether the device counts as open after the failure
};

std::string StepName(const ::testing::TestParamInfo<StepFailure>& info) {
    static const char* const names[] = {"GetDevCaps", "Open",  "PrepareHeader",   "AddBuffer", "Start",
                                        "Stop",       "Reset", "UnprepareHeader", "Close"};
    return names[static_cast<int>(info.param.step)];
}

class StepFailureTest : public MidiInputTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(StepFailureTest, ReportsTheSystemTextAndKeepsTheDocumentedState) {
    const StepFailure c = GetParam();
    if (!c.inOpen) {
        input->Open(1);
    }
    driver->Fail(c.step, 7, "Not enough memory.");
    const auto act = [&] { c.inOpen ? input->Open(1) : input->Close(1); };
    EXPECT_EQ(MessageOf(act), "Not enough memory.");
    EXPECT_EQ(input->IsOpen(1), c.openAfterwards);
    EXPECT_EQ(driver->IsOpen(1), c.openAfterwards);

    // Once the system recovers, Close releases whatever was left open.
    driver->Heal(c.step);
    input->Close(1);
    EXPECT_FALSE(driver->IsOpen(1));
    EXPECT_FALSE(input->IsOpen(1));
}

TEST_P(StepFailureTest, FailureWithoutSystemTextIsStillAFailure) {
    const StepFailure c = GetParam();
    if (!c.inOpen) {
        input->Open(1);
    }
    driver->Fail(c.step, 68);
    const auto act = [&] { c.inOpen ? input->Open(1) : input->Close(1); };
    EXPECT_EQ(MessageOf(act), "Unknown MIDI error (code 68)");
    EXPECT_EQ(input->IsOpen(1), c.openAfterwards);
}

INSTANTIATE_TEST_SUITE_P(
    MidiInput, StepFailureTest,
    ::testing::Values(StepFailure{Step::Open, true, false}, StepFailure{Step::PrepareHeader, true, true},
                      StepFailure{Step::AddBuffer, true, true}, StepFailure{Step::Start, true, true},
                      StepFailure{Step::Stop, false, true}, StepFailure{Step::Reset, false, true},
                      StepFailure{Step::UnprepareHeader, false, true}, StepFailure{Step::Close, false, true}),
    StepName);

TEST(MidiInputCreation, FailingCapabilitiesThrowAndTheNextSharedCallTriesAgain) {
    ScriptedMidiDriver* made = nullptr;
    bool failNext = true;
    auto factory = ScriptedMidiDriver::Factory({"Pads", "Keys"}, &made);
    SetMidiDriverFactory([&]() -> std::unique_ptr<MidiInDriver> {
        auto driver = factory();
        if (std::exchange(failNext, false)) {
            made->Fail(Step::GetDevCaps, 2, "The device ID is out of range.");
        }
        return driver;
    });
    ResetSharedMidiInput();
    EXPECT_EQ(MessageOf([] { (void)SharedMidiInput(); }), "The device ID is out of range.");
    TMidiInput& shared = SharedMidiInput();
    EXPECT_THAT(shared.DeviceNames(), ElementsAre("Pads", "Keys"));
    EXPECT_EQ(&SharedMidiInput(), &shared);
    ResetSharedMidiInput();
    SetMidiDriverFactory(nullptr);
}

TEST(MidiInputLifetime, DestroyingTheManagerClosesOpenDevicesEvenWhenAStepFails) {
    auto owned = std::make_unique<ScriptedMidiDriver>(std::vector<std::string>{"Pads", "Keys"});
    ScriptedMidiDriver& driver = *owned;
    const auto log = driver.Log();
    {
        TMidiInput input(std::move(owned));
        input.Open(0);
        input.Open(1);
        driver.Fail(Step::Stop, 1, "Stop failed.");
        driver.ClearCalls();
    }
    EXPECT_THAT(log->Calls(), ::testing::IsSupersetOf({"Close 0", "Close 1"}));
}

TEST_F(MidiInputTest, ClosingFromInsideADeliveryFailsInsteadOfDeadlocking) {
    struct Closer {
        void HandleMidiData(std::int32_t DeviceIndex, std::uint8_t, std::uint8_t, std::uint8_t) {
            error = MessageOf([&] { input->Close(DeviceIndex); });
        }
        TMidiInput* input;
        std::string error;
    } closer{&*input, {}};
    input->Open(0);
    input->SetOnShortMessage(ShortMessageHandler::bind<&Closer::HandleMidiData>(&closer));
    ASSERT_TRUE(driver->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_EQ(closer.error, "TMidiInput: Device 0 cannot be closed from inside a MIDI delivery");
    EXPECT_TRUE(input->IsOpen(0));
}

TEST_F(MidiInputTest, AThrowingHandlerIsCountedAndDeliveryGoesOn) {
    struct Thrower {
        void HandleMidiData(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) { throw Error("boom"); }
    } thrower;
    input->Open(0);
    input->SetOnShortMessage(ShortMessageHandler::bind<&Thrower::HandleMidiData>(&thrower));
    EXPECT_TRUE(driver->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_EQ(input->DeliveryFaults(), 1u);
    input->SetOnShortMessage(ShortMessageHandler::bind<&Recorder::HandleMidiData>(&recorder));
    EXPECT_TRUE(driver->Deliver(0, 0x80, 0x3C, 0x00));
    EXPECT_EQ(recorder.messages.size(), 1u);
}

std::vector<std::uint8_t> SysEx(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i % 0x7F);
    }
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

TEST_F(MidiInputTest, EachReturnedSysExBufferIsHandedOnByItselfAndQueuedAgain) {
    input->SetOnSysExBlock(SysExHandler::bind<&Recorder::HandleSysEx>(&recorder));
    input->Open(0);
    const auto shortDump = SysEx(6);
    const auto longDump = SysEx(5000); // three buffers: 2048 + 2048 + 904
    ASSERT_TRUE(driver->DeliverSysEx(0, shortDump));
    ASSERT_TRUE(driver->DeliverSysEx(0, longDump));
    ASSERT_EQ(recorder.blocks.size(), 4u);
    EXPECT_EQ(recorder.blocks[0], shortDump);
    EXPECT_EQ(recorder.blocks[1], std::vector<std::uint8_t>(longDump.begin(), longDump.begin() + 2048));
    EXPECT_EQ(recorder.blocks[3], std::vector<std::uint8_t>(longDump.begin() + 4096, longDump.end()));
    EXPECT_EQ(driver->QueuedBuffers(0), 1u);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(MidiInputTest, SysExWithoutHandlerPassesThroughAndTheBufferIsQueuedAgain) {
    input->Open(0);
    ASSERT_TRUE(driver->DeliverSysEx(0, SysEx(3000)));
    EXPECT_EQ(driver->QueuedBuffers(0), 1u);
    // Nothing stayed behind in the stream: the next dump arrives by itself.
    input->SetOnSysExBlock(SysExHandler::bind<&Recorder::HandleSysEx>(&recorder));
    ASSERT_TRUE(driver->DeliverSysEx(0, SysEx(4)));
    EXPECT_THAT(recorder.blocks, ElementsAre(SysEx(4)));
}

TEST_F(MidiInputTest, CloseGetsTheEmptyBufferBackAndDoesNotQueueItAgain) {
    input->Open(0);
    driver->ClearCalls();
    input->Close(0); // the driver refuses to unprepare or close while a buffer is queued
    EXPECT_THAT(driver->Calls(), ElementsAre("Stop 0", "Reset 0", "UnprepareHeader 0", "Close 0"));
    EXPECT_FALSE(driver->IsOpen(0));
}

TEST_F(MidiInputTest, FailingToQueueTheSysExBufferAgainIsCountedOnTheDeliveryThread) {
    input->Open(0);
    driver->Fail(Step::AddBuffer, 7, "Not enough memory.");
    EXPECT_TRUE(driver->DeliverSysEx(0, SysEx(10)));
    EXPECT_EQ(input->DeliveryFaults(), 1u);
    EXPECT_TRUE(driver->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_EQ(recorder.messages.size(), 1u);
    driver->Heal(Step::AddBuffer);
    input->Close(0);
    EXPECT_FALSE(driver->IsOpen(0));
}

// A handler is an object and a method: a delivery must never call one
// handler's method with another handler's object.
struct Tagged {
    void HandleA(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) { Check(1); }
    void HandleB(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) { Check(2); }
    void Check(int expected) {
        if (tag != expected) {
            torn.store(true);
        }
        calls.fetch_add(1);
    }
    int tag = 0;
    std::atomic<int> calls{0};
    std::atomic<bool> torn{false};
};

TEST_F(MidiInputTest, ReplacingTheHandlerWhileDeliveringNeverMixesObjectAndMethod) {
    Tagged a{1};
    Tagged b{2};
    input->Open(0);
    std::atomic<bool> done{false};
    std::thread swapper([&] {
        for (int i = 0; !done.load(); ++i) {
            switch (i % 3) {
            case 0:
                input->SetOnShortMessage(ShortMessageHandler::bind<&Tagged::HandleA>(&a));
                break;
            case 1:
                input->SetOnShortMessage(ShortMessageHandler::bind<&Tagged::HandleB>(&b));
                break;
            default:
                input->SetOnShortMessage({});
                break;
            }
        }
    });
    constexpr int sent = 2000;
    for (int i = 0; i < sent; ++i) {
        driver->Deliver(0, 0x90, 0x3C, static_cast<std::uint8_t>(i & 0x7F));
    }
    done.store(true);
    swapper.join();
    EXPECT_FALSE(a.torn.load());
    EXPECT_FALSE(b.torn.load());
    EXPECT_LE(a.calls + b.calls, sent);
}

} // namespace
} // namespace tonvarra::midi
