#include "store/settings_format.h"

#include "base/error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tonvarra::store {
namespace {

using namespace std::string_literals;

// The separators as they look in UTF-8, for building texts in memory.
const std::string kSep1 = "#\xC3\xBC#\xC3\xB6#";
const std::string kSep2 = "#L#L#";
const std::string kSep3 = "#?#$#";
const std::string kSep4 = "#0#\xC3\x84#";

TEST(SettingsFormat, LinesEndAtCrLfLoneCrOrLoneLfAndTextEndsAtNul) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {" a \r\n\tb", {" a ", "\tb"}},
        {"a\r\nb\0c\r\nd"s, {"a", "b"}},
        {"\0a"s, {}},
    };
    for (const Case& c : cases) {
        const std::vector<std::string_view> got = SplitLines(c.bytes);
        EXPECT_EQ(std::vector<std::string>(got.begin(), got.end()), c.lines)
            << testing::PrintToString(c.bytes);
    }
}

TEST(SettingsFormat, EnabledTextIsADecimalNumberOrTrueOrFalse) {
    struct Case {
        const char* text;
        std::optional<bool> value;
    };
    const Case cases[] = {
        {"-1", true},
        {"0", false},
        {"1", true},
        {"True", true},
        {"tRUE", true},
        {"false", false},
        {"FALSE", false},
        {"-0", false},
        {"+7", true},
        {"0010", true},
        {"99999999999999999999", true},
        {"", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"-", std::nullopt},
        {"1.0", std::nullopt},
        {"yes", std::nullopt},
        {"$1F", std::nullopt},
        {"Truex", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadTruthValue(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(SettingsFormat, LineScanGivesFiveFieldsAndKeepsLinesTheFormatCannotHold) {
    const std::string s1 = std::string(kHotkeySeparators[0]);
    const std::string s2 = std::string(kHotkeySeparators[1]);
    const std::string s3 = std::string(kHotkeySeparators[2]);
    const std::string s4 = std::string(kHotkeySeparators[3]);
    struct Case {
        const char* what;
        std::string line;
        std::vector<std::string> fields; // name, event, action, kind, enabled text (UTF-8)
        bool kept;                       // the raw line is kept for the save
    };
    const Case cases[] = {
        {"well formed",
         "Play" + s1 + "90, 3C, 7F" + s2 + "{F5}" + s3 + "keyn" + s4 + "-1",
         {"Play", "90, 3C, 7F", "{F5}", "keyn", "-1"},
         false},
        {"empty fields", s1 + s2 + s3 + s4, {"", "", "", "", ""}, false},
        {"Windows-1252 text",
         "Lautst\xE4rke" + s1 + s2 + "\x80" + s3 + s4 + "0",
         {"Lautst\xC3\xA4rke", "", "\xE2\x82\xAC", "", "0"},
         false},
        {"no separator", "just text", {"", "", "", "", ""}, true},
        {"last separator missing", "A" + s1 + "B" + s2 + "C" + s3 + "keyn", {"A", "B", "C", "", ""}, true},
        {"event holds separator 2",
         "A" + s1 + "x" + s2 + "y" + s2 + "C" + s3 + "k" + s4 + "1",
         {"A", "y", "C", "k", "1"},
         true},
        {"name holds separator 1",
         "A" + s1 + "B" + s1 + "e" + s2 + "a" + s3 + "k" + s4 + "0",
         {"A" + kSep1 + "B", "e", "a", "k", "0"},
         false},
        {"out of order",
         "A" + s2 + "B" + s1 + "C" + s3 + "k" + s4 + "1",
         {"A" + kSep2 + "B", "A", "C", "k", "1"},
         true},
        {"overlapping separators", "A#\xFC#\xF6#L#L#" + s3 + "k" + s4 + "1", {"A", "", "", "k", "1"}, true},
    };
    for (const Case& c : cases) {
        const HotkeyEntry e = ParseHotkeyLine(c.line);
        EXPECT_EQ((std::vector<std::string>{e.midiname, e.data, e.outgoing, e.outgoingset, e.namechecked}),
                  c.fields)
            << c.what;
        EXPECT_EQ(e.line, c.kept ? c.line : "") << c.what;
        EXPECT_FALSE(e.enabled) << c.what;
    }
}

TEST(SettingsFormat, EveryHotkeyEitherReadsBackAsItselfOrIsRefused) {
    // The format has no escape, so a text that would change on the way through
    // the file must stop the save instead of corrupting the line.
    struct Case {
        const char* what;
        HotkeyEntry row;
        bool refused;
    };
    const Case cases[] = {
        {"plain", {"Play", "90, 3C, 7F", "{F5}", "keyn", "-1"}, false},
        {"umlaut and euro", {"Lautst\xC3\xA4rke \xE2\x82\xAC", "B0, 07,  *", "^s", "keyn", "0"}, false},
        {"name holds separator 1", {"A" + kSep1 + "B", "90, 3C, 7F", "x", "keyn", "-1"}, false},
        {"CR in the name", {"A\rB", "90, 3C, 7F", "x", "keyn", "-1"}, true},
        {"LF in the action", {"A", "90, 3C, 7F", "x\ny", "keyn", "-1"}, true},
        {"NUL in the action", {"A", "90, 3C, 7F", "x\0y"s, "keyn", "-1"}, true},
        {"separator 2 in the event", {"A", "90" + kSep2 + "3C", "x", "keyn", "-1"}, true},
        {"separator 3 in the action", {"A", "90, 3C, 7F", "a" + kSep3 + "b", "keyn", "-1"}, true},
        {"separator 4 in the kind", {"A", "90, 3C, 7F", "x", "k" + kSep4, "-1"}, false},
        {"separator 1 in the action", {"A", "90, 3C, 7F", "a" + kSep1 + "b", "keyn", "-1"}, true},
        {"not Windows-1252", {"\xE6\x97\xA5\xE6\x9C\xAC", "90, 3C, 7F", "x", "keyn", "-1"}, true},
        {"not UTF-8", {"\xFF", "90, 3C, 7F", "x", "keyn", "-1"}, true},
    };
    for (const Case& c : cases) {
        const HotkeyTable::Rows rows{c.row};
        if (c.refused) {
            EXPECT_THROW((void)FormatHotkeyFile(rows), Error) << c.what;
        } else {
            EXPECT_EQ(ParseHotkeyFile(FormatHotkeyFile(rows)), rows) << c.what;
        }
    }
}

TEST(SettingsFormat, FileListRefusesNamesItCannotHold) {
    EXPECT_EQ(FormatFileList({"Default", "", "Lautst\xC3\xA4rke"}), "Default\r\n\r\nLautst\xE4rke\r\n");
    EXPECT_EQ(FormatFileList({}), "");
    EXPECT_THROW((void)FormatFileList({"a\nb"}), Error);
    EXPECT_THROW((void)FormatFileList({"\xE6\x97\xA5"}), Error);
}

TEST(SettingsFormat, DeviceNamesOutsideWindows1252AreStoredAsTheirOwnBytes) {
    EXPECT_EQ(DeviceNameBytes("Kl\xC3\xA4nge"), "Kl\xE4nge");
    EXPECT_EQ(DeviceNameBytes("\xE6\x97\xA5 MIDI"), "\xE6\x97\xA5 MIDI");
}

} // namespace
} // namespace tonvarra::store
