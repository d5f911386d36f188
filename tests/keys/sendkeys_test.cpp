#include "base/error.h"
#include "keys/key_name_table.h"
#include "keys/key_sequence.h"
#include "keys/sendkeys.h"
#include "support/recording_keyboard.h"

#include <gtest/gtest.h>

#include <string>

namespace tonvarra::keys {
namespace {

using test::RecordingKeyboard;

struct SequenceCase {
    std::string text;
    std::string trace; // what the recording port saw, see RecordingKeyboard::Trace
    bool result;
};

std::ostream& operator<<(std::ostream& os, const SequenceCase& c) {
    return os << '"' << c.text << '"';
}

class SendKeysSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(SendKeysSequence, SendsTheseEventsAndLeavesNothingDown) {
    const auto& c = GetParam();
    RecordingKeyboard port;
    EXPECT_EQ(SendKeys(port, c.text, true), c.result);
    EXPECT_EQ(port.Trace(), c.trace);
    EXPECT_TRUE(port.KeysDown().empty());
}

const std::string kTab3 = "+TAB -TAB +TAB -TAB +TAB -TAB";

INSTANTIATE_TEST_SUITE_P(
    Language, SendKeysSequence,
    ::testing::Values(
        SequenceCase{"abc", "+A -A +B -B +C -C", true},
        SequenceCase{"ABC", "+SHIFT +A -A -SHIFT +SHIFT +B -B -SHIFT +SHIFT +C -C -SHIFT", true},
        SequenceCase{"+a", "+SHIFT +A -A -SHIFT", true},
        SequenceCase{"^+a", "+CTRL +SHIFT +A -A -SHIFT -CTRL", true},
        SequenceCase{"+(ab)c", "+SHIFT +A -A +B -B -SHIFT +C -C", true},
        SequenceCase{"((+a)b", "+SHIFT +A -A -SHIFT +B -B", true},
        SequenceCase{"++a", "+SHIFT +SHIFT +A -A -SHIFT", true},
        SequenceCase{"^%(^)", "+CTRL +ALT +CTRL -CTRL -ALT", true},
        SequenceCase{"{^}", "+SHIFT +6 -6 -SHIFT", true}, SequenceCase{"{TAB 3}", kTab3, true},
        SequenceCase{"{tab}", "+TAB -TAB", true}, SequenceCase{"{TAB 0}", "", true},
        SequenceCase{"{TAB +3}", kTab3, true}, SequenceCase{"{TAB 65539}", kTab3, true},
        SequenceCase{"{TAB -2147483648}", "", true}, SequenceCase{"{a}", "+SHIFT +A -A -SHIFT", true},
        SequenceCase{"{{}", "+SHIFT +0xDB -0xDB -SHIFT", true},
        SequenceCase{"{{x", "+SHIFT +0xDB -0xDB -SHIFT", true},
        SequenceCase{"{}}", "+SHIFT +0xDD -0xDD -SHIFT", true},
        SequenceCase{"{TAB}}", "+SHIFT +0xDD -0xDD -SHIFT", true},
        SequenceCase{"{LEFT}{DEL}{PGUP}", "+LEFT* -LEFT* +DEL* -DEL* +PGUP* -PGUP*", true},
        SequenceCase{"{F5}{ENTER}", "+F5 -F5 +ENTER -ENTER", true},
        SequenceCase{"{BACKSPACE}{BKSP}{BS}", "+BS -BS +BS -BS +BS -BS", true},
        SequenceCase{"{CAPSLOCK}{SCROLLLOCK}", "+CAPSLOCK -CAPSLOCK +SCROLLLOCK -SCROLLLOCK", true},
        SequenceCase{"+{LEFT 2}", "+SHIFT +LEFT* -LEFT* +LEFT* -LEFT* -SHIFT", true},
        SequenceCase{"~", "+ENTER -ENTER", true}, SequenceCase{"+~", "+SHIFT +ENTER -ENTER -SHIFT", true},
        // 20 characters of group text are kept, the rest dropped before the
        // blank is looked for: the second count loses its last digit.
        SequenceCase{"{TAB 0000000000000003}", kTab3, true},
        SequenceCase{"{TAB 00000000000000003}", "", true},
        SequenceCase{"{NOSUCHKEY}", "[Invalid Key Name]", true},
        SequenceCase{"{}", "[Invalid Key Name]", true},
        SequenceCase{"+{NOSUCHKEY}a", "+SHIFT [Invalid Key Name] +A -A -SHIFT", true},
        SequenceCase{"+\x80"
                     "a",
                     "+SHIFT [Invalid KeyName] +A -A -SHIFT", true},
        SequenceCase{"+{\x80}a", "+SHIFT +A -A -SHIFT", true}, // no message for a one-character group
        SequenceCase{"", "", false}, SequenceCase{std::string("\0abc", 4), "", false},
        SequenceCase{std::string("a\0b", 3), "+A -A", true}, SequenceCase{"{TAB", "[No Close]", false},
        SequenceCase{"{", "[No Close]", false},
        // A call never leaves a modifier down: after "No Close" and at the end
        // of a text whose group is still open, what it holds goes up.
        SequenceCase{"+{TAB", "+SHIFT -SHIFT [No Close]", false},
        SequenceCase{"+(ab", "+SHIFT +A -A +B -B -SHIFT", true},
        SequenceCase{"%^+(a", "+ALT +CTRL +SHIFT +A -A -SHIFT -CTRL -ALT", true},
        SequenceCase{"^(+", "+CTRL +SHIFT -SHIFT -CTRL", true}));

TEST(SendKeys, RepeatCountKeepsItsLowSixteenBits) {
    RecordingKeyboard port;
    EXPECT_TRUE(SendKeys(port, "{TAB -1}", false));
    EXPECT_EQ(port.Events().size(), 2u * 65535u);
}

TEST(SendKeys, PassesTheScanCodeAndDrainsAfterEachEventOnlyWhenWaiting) {
    RecordingKeyboard port;
    SendKeys(port, "A", false);
    EXPECT_EQ(port.Drains(), 0);
    const auto expected = std::vector<RecordingKeyboard::Event>{
        {0x10, 0x2A, 0}, {0x41, 0x1E, 0}, {0x41, 0x1E, kKeyUpFlag}, {0x10, 0x2A, kKeyUpFlag}};
    EXPECT_EQ(port.Events(), expected);
    port.Clear();
    SendKeys(port, "A", true);
    EXPECT_EQ(port.Drains(), 4);
}

// The extended flag goes by virtual key, so every name of the table is checked.
TEST(SendKeys, ExtendedFlagOnExactlyTheNavigationKeys) {
    const std::string extended = " PGUP PGDN END HOME LEFT UP RIGHT DOWN INS DEL DELETE ";
    for (const auto& row : KeyNameTable) {
        if (row.vk == kNumLockKey) {
            continue;
        }
        RecordingKeyboard port;
        SendKeys(port, "{" + std::string(row.name) + "}", true);
        const auto events = port.Events();
        ASSERT_EQ(events.size(), 2u) << row.name;
        const bool want = extended.find(" " + std::string(row.name) + " ") != std::string::npos;
        EXPECT_EQ(events[0],
                  (RecordingKeyboard::Event{row.vk, events[0].scanCode, want ? kExtendedKeyFlag : 0}))
            << row.name;
        EXPECT_EQ(events[1].flags, (want ? kExtendedKeyFlag : 0) | kKeyUpFlag) << row.name;
    }
}

TEST(SendKeys, NumLockFlipsTheToggleOnceWithoutEvents) {
    RecordingKeyboard port;
    SendKeys(port, "{NUMLOCK}", true);
    EXPECT_TRUE(port.Events().empty());
    EXPECT_TRUE(port.NumLockOn());
    SendKeys(port, "{NUMLOCK 5}", true);
    EXPECT_FALSE(port.NumLockOn());
    EXPECT_TRUE(port.Events().empty());
}

// Where the layout puts a brace elsewhere (German: AltGr+7, reported as
// Control+Alt), "{{}" still types a brace rather than the bracket key's character.
TEST(SendKeys, BraceGroupsFollowTheLayoutsBrace) {
    RecordingKeyboard port;
    port.SetCharMapping([](char c) -> KeyCode { return c == '{' ? 0x637 : c == '}' ? 0x630 : kNoKey; });
    SendKeys(port, "{{}{}}", true);
    EXPECT_EQ(port.Trace(), "+CTRL +ALT +7 -7 -CTRL -ALT +CTRL +ALT +0 -0 -CTRL -ALT");
}

struct BadCountCase {
    std::string text;
    std::string message;
    std::string trace;
};

std::ostream& operator<<(std::ostream& os, const BadCountCase& c) {
    return os << '"' << c.text << '"';
}

class SendKeysBadCount : public ::testing::TestWithParam<BadCountCase> {};

TEST_P(SendKeysBadCount, ThrowsConvertErrorWithNothingLeftDown) {
    const auto& c = GetParam();
    RecordingKeyboard port;
    try {
        SendKeys(port, c.text, true);
        FAIL() << "no ConvertError";
    } catch (const ConvertError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(port.Trace(), c.trace);
    EXPECT_TRUE(port.KeysDown().empty());
    EXPECT_EQ(CheckKeySequence(port, c.text), std::vector<std::string>{c.message});
}

INSTANTIATE_TEST_SUITE_P(
    Conversion, SendKeysBadCount,
    ::testing::Values(BadCountCase{"{TAB x}", "'X' is not a valid integer value", ""},
                      BadCountCase{"{ }", "'' is not a valid integer value", ""},
                      BadCountCase{"a^{TAB x}b", "'X' is not a valid integer value", "+A -A +CTRL -CTRL"},
                      BadCountCase{"+(a{F1 1.5}", "'1.5' is not a valid integer value",
                                   "+SHIFT +A -A -SHIFT"},
                      BadCountCase{"{TAB  3}", "' 3' is not a valid integer value", ""},
                      BadCountCase{"{TAB 3 }", "'3 ' is not a valid integer value", ""},
                      BadCountCase{"{TAB 0x10}", "'0X10' is not a valid integer value", ""},
                      BadCountCase{"{TAB -}", "'-' is not a valid integer value", ""},
                      BadCountCase{"{TAB 2147483648}", "'2147483648' is not a valid integer value", ""},
                      BadCountCase{"{TAB \xE9}", "'\xC3\xA9' is not a valid integer value", ""}));

TEST(ParseRepeatCount, AcceptsASignAndDigitsThatFitInt32) {
    EXPECT_EQ(ParseRepeatCount("0"), 0);
    EXPECT_EQ(ParseRepeatCount("-0"), 0);
    EXPECT_EQ(ParseRepeatCount("+7"), 7);
    EXPECT_EQ(ParseRepeatCount("007"), 7);
    EXPECT_EQ(ParseRepeatCount("2147483647"), 2147483647);
    EXPECT_EQ(ParseRepeatCount("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "+", "--1", "+-1", "2147483648", "-2147483649", "99999999999999999999", " 1",
                            "1 ", "1e3", "$10"}) {
        EXPECT_FALSE(ParseRepeatCount(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(KeyNameTable, EveryNameIsFoundAndOnlyExactNames) {
    for (const auto& row : KeyNameTable) {
        EXPECT_EQ(LookupKeyName(row.name), row.vk) << row.name;
    }
    for (const char* unknown : {"", "tab", "Tab", "TAB ", "F17", "A", "ZZZ", "BACKSPACES", "PRTSCR"}) {
        EXPECT_EQ(LookupKeyName(unknown), kNoKey) << '"' << unknown << '"';
    }
}

TEST(CheckKeySequence, ListsTheMessagesInOrderAndSendsNothing) {
    RecordingKeyboard port;
    EXPECT_TRUE(CheckKeySequence(port, "+(ab){TAB 3}~^s").empty());
    EXPECT_EQ(CheckKeySequence(port, "{NOSUCHKEY}\x80{TAB"),
              (std::vector<std::string>{"Invalid Key Name", "Invalid KeyName", "No Close"}));
    EXPECT_TRUE(port.Events().empty());
    EXPECT_TRUE(port.Messages().empty());
}

TEST(RecordingKeyboard, ReleaseAllLetsUpWhatIsDown) {
    RecordingKeyboard port;
    port.KeyEvent(0x10, 0x2A, 0);
    port.KeyEvent(0x41, 0x1E, 0);
    port.ReleaseAll();
    EXPECT_TRUE(port.KeysDown().empty());
    EXPECT_EQ(port.Trace(), "+SHIFT +A -SHIFT -A");
}

} // namespace
} // namespace tonvarra::keys
