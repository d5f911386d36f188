#include "app/matcher.h"

#include "support/recording_keyboard.h"
#include "typed_letters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tonvarra::app {
namespace {

using namespace std::chrono_literals;
using test::RecordingKeyboard;
using test::TypedLetters;

struct Row {
    const char* data;
    const char* kind;
    bool enabled = true;
};

// One step of a run: a message "90 3C 64", or a command of the main window
// ("disable" is what both the disable command and "Stop all" do; "actions off"
// only clears ActionsEnabled).
struct Step {
    const char* input;
    const char* typed; // letters that "keyn" hotkeys typed during this step
    const char* held;  // HeldKeys after it
    bool repeating;    // the key repeat after it
};

struct Case {
    const char* name;
    std::vector<Row> rows; // row i sends the letter 'a' + i
    std::vector<Step> steps;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// Row i sends the letter 'a' + i, so what fired can be read off the port and HeldKeys.
store::HotkeyTable::Snapshot Table(const std::vector<Row>& rows) {
    store::HotkeyTable::Rows table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        store::HotkeyEntry entry;
        entry.midiname = "row " + std::to_string(i);
        entry.data = rows[i].data;
        entry.outgoing = std::string(1, static_cast<char>('a' + i));
        entry.outgoingset = rows[i].kind;
        entry.enabled = rows[i].enabled;
        entry.namechecked = rows[i].enabled ? "-1" : "0";
        table.push_back(entry);
    }
    return std::make_shared<const store::HotkeyTable::Rows>(std::move(table));
}

// No tick in these runs: the repeat's state is read, not its keys.
Matcher::Options NoTicks() {
    return {std::chrono::hours(1)};
}

void Apply(Matcher& matcher, const Step& step) {
    const std::string input = step.input;
    if (input == "disable") {
        matcher.SetActionsEnabled(false);
        matcher.StopAll();
    } else if (input == "actions off") {
        matcher.SetActionsEnabled(false);
    } else if (input == "enable") {
        matcher.SetActionsEnabled(true);
    } else {
        unsigned s = 0, d1 = 0, d2 = 0;
        ASSERT_EQ(std::sscanf(step.input, "%x %x %x", &s, &d1, &d2), 3) << input;
        matcher.HandleMidiData(0, static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(d1),
                               static_cast<std::uint8_t>(d2));
    }
}

class MatcherRuns : public testing::TestWithParam<Case> {};

TEST_P(MatcherRuns, FireAndHoldAsTheHotkeysSay) {
    const Case& c = GetParam();
    RecordingKeyboard port;
    Matcher matcher(
        port, [](std::string) {}, [] {}, NoTicks());
    matcher.Publish(Table(c.rows));
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        port.Clear();
        Apply(matcher, step);
        SCOPED_TRACE(testing::Message() << "step " << i << ": " << step.input);
        EXPECT_EQ(TypedLetters(port), step.typed);
        EXPECT_EQ(matcher.HeldKeys(), step.held);
        EXPECT_EQ(matcher.Repeating(), step.repeating);
    }
}

// clang-format off
const Case kCases[] = {
    {"ActiveSensingIsDropped", {{"FE, 00, 00", "keyn"}},
     {{"FE 00 00", "", "", false}}},
    {"TimingClockIsMatchedLikeAnyMessage", {{"F8, 00, 00", "keyn"}},
     {{"F8 00 00", "a", "", false}}},
    {"ExactVelocityFromAnyChannelOnlyItsOwn", {{"90, 3C, 64", "keyn"}},
     {{"90 3C 63", "", "", false}, {"91 3C 64", "", "", false}, {"90 3D 64", "", "", false},
      {"90 3C 64", "a", "", false}}},
    {"OnlyTheLaterOfTwoEqualTextsFires", {{"90, 3C, 64", "keyn"}, {"90, 3C, 64", "keyn"}},
     {{"90 3C 64", "b", "", false}}},
    {"ADisabledLaterHotkeyShadowsAnEnabledEarlierOne",
     {{"90, 3C, 64", "keyn"}, {"90, 3C, 64", "keyn", false}},
     {{"90 3C 64", "", "", false}}},
    {"AnUnknownKindMatchesAndShadows", {{"90, 3C, 64", "keyn"}, {"90, 3C, 64", "keyx"}},
     {{"90 3C 64", "", "", false}}},
    {"SeparatorsAreNeverCompared", {{"90;;3C::64", "keyn"}},
     {{"90 3C 64", "a", "", false}}},
    {"MalformedTextsNeverMatchNorShadow",
     {{"90, 3C, 64", "keyn"}, {"90, 3c, 64", "keyn"}, {"90, 3C, *", "keyn"}, {"90, 3C, 64 ", "keyn"},
      {"90, 3C, 6", "keyn"}, {"90, 3C, $D", "keyn"}, {"9O, 3C, 64", "keyn"}, {"", "keyn"}},
     {{"90 3C 64", "a", "", false}}},
    {"ReleaseOnlyFiresOnVelocityZero", {{"90, 3C, 00", "keyn"}},
     {{"90 3C 64", "", "", false}, {"90 3C 00", "a", "", false}}},
    {"KeyDownFiresOnPressAndEndsTheScanOnRelease", {{"90, 3C, 00", "keyn"}, {"90, 3C, $d", "keyn"}},
     {{"90 3C 64", "b", "", false}, {"90 3C 00", "", "", false}}},
    {"KeyDownBelowAnExactReleaseDoesNotEndTheScan", {{"90, 3C, $d", "keyn"}, {"90, 3C, 00", "keyn"}},
     {{"90 3C 00", "b", "", false}}},
    {"IndependentMatchesNothingUntilTheReleaseStopIsArmed",
     {{"90, 3C,  *", "keyn"}, {"90, 3D, 64", "keystroker"}},
     {{"90 3C 64", "", "", false}, {"90 3D 64", "", "b", true},
      {"90 3C 64", "a", "b", true}, {"90 3C 00", "a", "b", false}}},
    {"AnUnarmedIndependentHotkeyIsPassedOver", {{"90, 3C, 64", "keyn"}, {"90, 3C,  *", "keyn"}},
     {{"90 3C 64", "a", "", false}}},
    {"KeystrokerWithKeyDownHoldsUntilRelease", {{"90, 3C, $d", "keystroker"}},
     {{"90 3C 64", "", "a", true}, {"90 3C 00", "", "a", false}}},
    {"KeystrokerWithIndependentRestartsOnRelease",
     {{"90, 3C,  *", "keystroker"}, {"90, 3D, 64", "keystroker"}},
     {{"90 3C 64", "", "", false}, {"90 3D 64", "", "b", true},
      {"90 3C 64", "", "a", true}, {"90 3C 00", "", "a", true}}},
    {"AnUnarmedKeystrokeRepeatsAfterRelease", {{"90, 3C, $d", "keystroke"}},
     {{"90 3C 64", "", "a", true}, {"90 3C 00", "", "a", true}}},
    {"AnyArmedReleaseStopStopsAnyHold",
     {{"90, 3C, $d", "keystroker"}, {"90, 40, $d", "keyn"}, {"90, 3E, 64", "keystroke"}},
     {{"90 3C 64", "", "a", true}, {"90 3E 64", "", "c", true}, {"90 40 00", "", "c", false}}},
    {"NoteOffWithVelocityStopsNothing", {{"90, 3C, $d", "keystroker"}},
     {{"90 3C 64", "", "a", true}, {"80 3C 40", "", "a", true}}},
    {"DisabledActionsFireNothingButTheReleaseStopStillStops",
     {{"90, 3C, $d", "keystroker"}, {"90, 3D, 64", "keyn"}},
     {{"90 3C 64", "", "a", true}, {"actions off", "", "a", true}, {"90 3D 64", "", "a", true},
      {"90 3C 00", "", "a", false}, {"90 3C 64", "", "a", false}}},
    {"StopAllEndsAnUnarmedRepeatAndEnableDoesNotRestartIt",
     {{"90, 3C, 64", "keystroke"}, {"90, 3D, 64", "keyn"}},
     {{"90 3C 64", "", "a", true}, {"disable", "", "a", false}, {"90 3C 64", "", "a", false},
      {"90 3D 64", "", "a", false}, {"enable", "", "a", false}, {"90 3D 64", "b", "a", false},
      {"90 3C 64", "", "a", true}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Table, MatcherRuns, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

store::HotkeyEntry Hotkey(const char* data, const char* kind, const char* outgoing) {
    store::HotkeyEntry entry;
    entry.midiname = "name";
    entry.data = data;
    entry.outgoing = outgoing;
    entry.outgoingset = kind;
    entry.namechecked = "-1";
    entry.enabled = true;
    return entry;
}

// Collects reports and notifications from any thread.
struct Sink {
    std::mutex lock;
    std::vector<std::string> reports;
    int notifications = 0;

    Matcher::Reporter reporter() {
        return [this](std::string message) {
            std::lock_guard guard(lock);
            reports.push_back(std::move(message));
        };
    }
    Matcher::IncomingNotifier notifier() {
        return [this] {
            std::lock_guard guard(lock);
            ++notifications;
        };
    }
    std::vector<std::string> Reports() {
        std::lock_guard guard(lock);
        return reports;
    }
};

template <class Condition> bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(Matcher, IncomingTextIsUpperCaseAndCoalesced) {
    RecordingKeyboard port;
    Sink sink;
    Matcher matcher(port, sink.reporter(), sink.notifier(), NoTicks());
    EXPECT_EQ(matcher.TakeIncomingText(), "Incoming:");

    matcher.HandleMidiData(0, 0xFE, 0, 0);
    EXPECT_EQ(sink.notifications, 0);
    matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);
    matcher.HandleMidiData(1, 0xB0, 0x0A, 0x7F);
    matcher.HandleMidiData(0, 0x9A, 0xBC, 0x0D);
    matcher.HandleMidiData(0, 0xFE, 0, 0);
    EXPECT_EQ(sink.notifications, 1);
    EXPECT_EQ(matcher.TakeIncomingText(), "Incoming: 9A, BC, 0D");

    matcher.HandleMidiData(0, 0xF8, 0, 0);
    EXPECT_EQ(sink.notifications, 2);
    EXPECT_EQ(matcher.TakeIncomingText(), "Incoming: F8, 00, 00");
}

TEST(Matcher, AFailingKeynIsReportedOncePerMessageAndDeliveryGoesOn) {
    RecordingKeyboard port;
    Sink sink;
    Matcher matcher(port, sink.reporter(), sink.notifier(), NoTicks());
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(
        store::HotkeyTable::Rows{Hotkey("90, 3C, 64", "keyn", "{FOO}"), Hotkey("90, 3D, 64", "keyn", "{a Q}"),
                                 Hotkey("90, 3E, 64", "keyn", "c"), Hotkey("90, 3F, 64", "keyn", "\u2192")}));
    for (int i = 0; i < 3; ++i) {
        matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);
        matcher.HandleMidiData(0, 0x90, 0x3D, 0x64);
        matcher.HandleMidiData(0, 0x90, 0x3F, 0x64);
    }
    matcher.HandleMidiData(0, 0x90, 0x3E, 0x64);

    EXPECT_EQ(sink.Reports(),
              (std::vector<std::string>{"Invalid Key Name", "'Q' is not a valid integer value",
                                        "The key sequence holds a character that no key can type."}));
    EXPECT_TRUE(port.Messages().empty()) << "a message box would hold the delivery thread";
    EXPECT_EQ(TypedLetters(port), "c");
    EXPECT_TRUE(port.KeysDown().empty());
}

TEST(Matcher, AFailingHeldSequenceStopsTheRepeatAndIsReportedOnce) {
    RecordingKeyboard port;
    Sink sink;
    Matcher matcher(port, sink.reporter(), sink.notifier(), {1ms});
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(
        store::HotkeyTable::Rows{Hotkey("90, 3C, 64", "keystroke", "x{FOO}")}));
    matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);

    ASSERT_TRUE(WaitFor([&] { return !matcher.Repeating(); }));
    std::this_thread::sleep_for(20ms); // twenty periods in which a running repeat would fail again
    EXPECT_EQ(sink.Reports(), std::vector<std::string>{"Invalid Key Name"});
    EXPECT_TRUE(port.Messages().empty());
    EXPECT_TRUE(port.KeysDown().empty());
}

TEST(Matcher, ANewHoldReplacesTheHeldKeysOfARunningRepeat) {
    RecordingKeyboard port;
    Sink sink;
    Matcher matcher(port, sink.reporter(), sink.notifier(), {1ms});
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(store::HotkeyTable::Rows{
        Hotkey("90, 3C, 64", "keystroke", "a"), Hotkey("90, 3D, 64", "keystroke", "b")}));
    matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);
    ASSERT_TRUE(WaitFor([&] { return TypedLetters(port).size() >= 3; }));
    matcher.HandleMidiData(0, 0x90, 0x3D, 0x64);
    ASSERT_TRUE(WaitFor([&] { return TypedLetters(port).ends_with("bbb"); }));
    matcher.StopAll();

    const std::string typed = TypedLetters(port);
    const auto firstB = typed.find('b');
    EXPECT_EQ(typed.find_first_not_of('a'), firstB);
    EXPECT_EQ(typed.find_first_not_of('b', firstB), std::string::npos);
    const auto events = port.Events().size();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.Events().size(), events) << "a tick after StopAll returned";
}

// A port that takes a moment per event, like one that waits for its server.
class SlowKeyboard : public RecordingKeyboard {
public:
    void KeyEvent(keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override {
        std::this_thread::sleep_for(1ms);
        RecordingKeyboard::KeyEvent(vk, scanCode, flags);
    }
};

TEST(Matcher, StopAllCutsShortAHeldSequenceUnderWay) {
    SlowKeyboard port;
    Sink sink;
    Matcher matcher(port, sink.reporter(), sink.notifier(), {1ms});
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(
        store::HotkeyTable::Rows{Hotkey("90, 3C, 64", "keystroke", "+{TAB 5000}")}));
    matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);
    ASSERT_TRUE(WaitFor([&] { return port.Events().size() >= 10; }));
    matcher.StopAll();

    // Left to run, the tick under way would send its 10,002 events before StopAll returned.
    EXPECT_LT(port.Events().size(), 1000u);
    EXPECT_TRUE(port.KeysDown().empty()) << port.Trace().substr(0, 200);
    EXPECT_TRUE(sink.Reports().empty());
}

TEST(Matcher, StopAllAndTheEndOfTheProgramReleaseHeldKeys) {
    RecordingKeyboard port;
    {
        Matcher matcher(
            port, [](std::string) {}, [] {}, NoTicks());
        port.KeyEvent(0x10, 0x2A, 0); // a Shift that some sequence left down
        matcher.StopAll();
        EXPECT_TRUE(port.KeysDown().empty());
        port.KeyEvent(0x11, 0x1D, 0);
    }
    EXPECT_TRUE(port.KeysDown().empty());
    EXPECT_EQ(port.ReleaseAllCalls(), 2);
}

TEST(Matcher, ThrowingWindowCallbacksStayOnTheDeliveryThread) {
    RecordingKeyboard port;
    int notifications = 0;
    Matcher matcher(
        port, [](std::string) { throw std::runtime_error("reporter"); },
        [&] {
            ++notifications;
            throw std::runtime_error("notifier");
        },
        NoTicks());
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(
        store::HotkeyTable::Rows{Hotkey("90, 3C, 64", "keyn", "{FOO}")}));
    EXPECT_NO_THROW(matcher.HandleMidiData(0, 0x90, 0x3C, 0x64));
    // The failed notification is not left pending, or the display would freeze.
    EXPECT_NO_THROW(matcher.HandleMidiData(0, 0x90, 0x3C, 0x64));
    EXPECT_EQ(notifications, 2);
}

} // namespace
} // namespace tonvarra::app
