// The real tonvarra executable, started as a user starts it, on a JACK server
// and an X server of each test's own: MIDI played by a JACK source of the
// test, keystrokes read by a test window that holds the keyboard focus.

#include "e2e/program_windows.h"
#include "e2e/tonvarra_process.h"
#include "support/jack_midi_source.h"
#include "support/jack_server.h"
#include "support/x_key_recorder.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace tonvarra::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kMainTitle = "Tonvarra v.1.3";
constexpr const char* kSplashTitle = "startup";

std::string Golden(const std::string& name) {
    std::ifstream in(std::string(TONVARRA_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WithLoneLf(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r') {
            out += c;
        }
    }
    return out;
}

ino_t Inode(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::size_t Presses(const std::vector<XKeyRecorder::Received>& events, const std::string& keysym) {
    return static_cast<std::size_t>(std::count_if(
        events.begin(), events.end(), [&](const auto& e) { return e.press && e.keysym == keysym; }));
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(xvfb.emplace());
        // Synchronous, so that a cycle that overruns on a busy machine cannot
        // hand the program a source buffer that is still being written.
        ASSERT_NO_THROW(jack.emplace(JackServer::Options{.synchronous = true}));
        ASSERT_NO_THROW(source.emplace("tonvarra-e2e", "pads"));
        ASSERT_NO_THROW(recorder.emplace(xvfb->DisplayName()));
        ASSERT_NO_THROW(windows.emplace(xvfb->DisplayName()));
    }

    // files.cfg naming Default, devices.cfg naming the test's source, and
    // Default.tvr holding these lines.
    [[nodiscard]] std::vector<SettingsFile> Settings(const std::vector<std::string>& hotkeyLines) const {
        std::string hotkeys;
        for (const std::string& line : hotkeyLines) {
            hotkeys += line;
        }
        return {{"files.cfg", "Default\r\n"},
                {"devices.cfg", source->FullPortName() + "\r\n"},
                {"Default.tvr", hotkeys}};
    }

    // Starts the program and waits until it is up: the source connected to its
    // input, its splash window gone, and the focus back with the recorder.
    void Start(const std::vector<SettingsFile>& settings) {
        ASSERT_NO_THROW(program.emplace(
            TonvarraProcess::Setup{TONVARRA_EXECUTABLE, settings, xvfb->DisplayName(), jack->Name()}));
        ASSERT_TRUE(source->WaitForConnection(30s)) << "the program did not open the source\n"
                                                    << program->Output();
        ASSERT_TRUE(windows->WaitUntilSplashClosed(kMainTitle, kSplashTitle, 30s))
            << "the splash window did not close\n"
            << program->Output();
        // The main window takes the focus when the splash window has gone;
        // the recorder takes it back and must keep it for a moment.
        int held = 0;
        for (int i = 0; i < 40 && held < 3; ++i) {
            if (!recorder->HasFocus()) {
                held = 0;
                recorder->TakeFocus();
            }
            std::this_thread::sleep_for(50ms);
            held += recorder->HasFocus() ? 1 : 0;
        }
        ASSERT_GE(held, 3) << "the recorder could not keep the focus";
    }

    // Reads key events for a while, so that one that should not come has the time to.
    void Settle(std::chrono::milliseconds quiet = 500ms) {
        const auto until = std::chrono::steady_clock::now() + quiet;
        while (std::chrono::steady_clock::now() < until) {
            recorder->Collect(SIZE_MAX, 50ms);
        }
    }

    // Declared in the order they start; they stop in reverse, the program first.
    std::optional<XvfbServer> xvfb;
    std::optional<JackServer> jack;
    std::optional<JackMidiSource> source;
    std::optional<XKeyRecorder> recorder;
    std::optional<ProgramWindows> windows;
    std::optional<TonvarraProcess> program;
};

TEST_F(ProgramTest, DevicesCfgEnablesTheSourceItNamesAndNoOther) {
    std::optional<JackMidiSource> other;
    ASSERT_NO_THROW(other.emplace("tonvarra-e2e-other", "pads"));
    ASSERT_NO_FATAL_FAILURE(Start(Settings({HotkeyFileLine("Tab", "90, 3C, 64", "{TAB}", "keyn")})));
    // Up means at least two device syncs ran, which would have opened a wrongly ticked device.
    EXPECT_GE(source->Connections(), 1);
    EXPECT_EQ(other->Connections(), 0);
    other->Send({{0x90, 0x3C, 0x64}});
    source->Send({{0x90, 0x3C, 0x64}});
    recorder->WaitFor(2);
    EXPECT_EQ(recorder->Trace(), "+Tab -Tab");
}

// A table of hotkey files, the messages played and what must be typed.
struct FiringCase {
    const char* name;
    std::vector<std::string> hotkeys;
    std::vector<Bytes> messages;
    std::string typed;   // in order
    std::string ignored; // characters whose count depends on timing (a key repeat's)
};

void PrintTo(const FiringCase& c, std::ostream* out) {
    *out << c.name;
}

class Firing : public ProgramTest, public ::testing::WithParamInterface<FiringCase> {};

TEST_P(Firing, TypesExactlyWhatTheHotkeysSay) {
    const FiringCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Start(Settings(c.hotkeys)));
    source->Send(c.messages);
    recorder->WaitFor(c.typed.size() * 2);
    Settle();
    std::string typed = recorder->Typed();
    std::erase_if(typed, [&](char ch) { return c.ignored.find(ch) != std::string::npos; });
    EXPECT_EQ(typed, c.typed) << recorder->Trace();
    // Nothing stays pressed.
    const auto& events = recorder->Events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const auto& e) { return e.press; }) * 2,
              static_cast<std::ptrdiff_t>(events.size()))
        << recorder->Trace();
}

INSTANTIATE_TEST_SUITE_P(
    Hotkeys, Firing,
    ::testing::Values(FiringCase{"KeynTypesItsSequenceOnlyForItsVelocity",
                                 {HotkeyFileLine("Tabs", "90, 3C, 64", "{TAB 3}", "keyn")},
                                 {{0x90, 0x3C, 0x63}, {0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x65}},
                                 "\t\t\t",
                                 ""},
                      FiringCase{"VelocityIndependentFiresOnlyOnceAKeystrokerFired",
                                 {HotkeyFileLine("Any", "90, 40,  *", "b", "keyn"),
                                  HotkeyFileLine("Hold", "90, 3E, $d", "a", "keystroker")},
                                 {{0x90, 0x40, 0x64},
                                  {0x90, 0x40, 0x00},
                                  {0x90, 0x3E, 0x40},
                                  {0x90, 0x3E, 0x00},
                                  {0x90, 0x40, 0x64},
                                  {0x90, 0x40, 0x00}},
                                 "bb",
                                 "a"},
                      FiringCase{"ADisabledHotkeyFiresNothing",
                                 {HotkeyFileLine("Off", "90, 3C, 64", "x", "keyn", false),
                                  HotkeyFileLine("On", "90, 3D, 64", "y", "keyn")},
                                 {{0x90, 0x3C, 0x64}, {0x90, 0x3D, 0x64}},
                                 "y",
                                 ""},
                      FiringCase{"OfTwoHotkeysWithOneEventOnlyTheLaterFires",
                                 {HotkeyFileLine("Earlier", "90, 3C, 64", "p", "keyn"),
                                  HotkeyFileLine("Later", "90, 3C, 64", "q", "keyn")},
                                 {{0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x64}},
                                 "qq",
                                 ""}),
    [](const ::testing::TestParamInfo<FiringCase>& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, KeystrokerRepeatsWhileHeldAndStopsOnRelease) {
    ASSERT_NO_FATAL_FAILURE(Start(Settings({HotkeyFileLine("Hold", "90, 3E, $d", "a", "keystroker")})));
    source->Send({{0x90, 0x3E, 0x64}});
    const auto held = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - held < 1s) {
        recorder->Collect(SIZE_MAX, 20ms);
    }
    source->Send({{0x90, 0x3E, 0x00}});
    const std::size_t whileHeld = Presses(recorder->Events(), "a");
    // About 100 a second; the bounds only tell a running repeat from a stuck or a runaway one.
    EXPECT_GE(whileHeld, 30u);
    EXPECT_LE(whileHeld, 150u);

    // A tick under way when the release came may still finish its key.
    Settle(200ms);
    const std::size_t afterRelease = recorder->Events().size();
    Settle(700ms);
    EXPECT_EQ(recorder->Events().size(), afterRelease) << "keys kept coming after the release";
    const auto& events = recorder->Events();
    EXPECT_EQ(Presses(events, "a") * 2, events.size()) << "a key was left pressed: " << recorder->Trace();
}

// How the settings survive the program's end.
enum class CloseBy { WindowManager, Sigterm };

void PrintTo(CloseBy by, std::ostream* out) {
    *out << (by == CloseBy::WindowManager ? "WM_DELETE_WINDOW" : "SIGTERM");
}

class Closing : public ProgramTest, public ::testing::WithParamInterface<CloseBy> {
protected:
    void Close() {
        if (GetParam() == CloseBy::WindowManager) {
            const unsigned long main = windows->Find(kMainTitle);
            ASSERT_NE(main, 0u);
            windows->RequestClose(main);
        } else {
            ASSERT_EQ(::kill(program->Pid(), SIGTERM), 0);
        }
        const auto exit = program->WaitForExit(30s);
        ASSERT_TRUE(exit.has_value()) << "the program did not end\n" << program->Output();
        EXPECT_TRUE(exit->exited && exit->code == 0)
            << "exit code " << exit->code << ", signal " << exit->signal << "\n"
            << program->Output();
    }
};

TEST_P(Closing, LeavesEverySettingsFileByteIdentical) {
    // The legacy file holds what only a byte-exact round trip keeps: Windows-1252
    // names, True/1/false enabled texts and a line with a doubled separator.
    const std::vector<SettingsFile> settings = {{"files.cfg", "Legacy\r\nExample\r\n"},
                                                {"devices.cfg", source->FullPortName() + "\r\n"},
                                                {"Legacy.tvr", Golden("legacy.tvr")},
                                                {"Example.tvr", Golden("example.tvr")}};
    ASSERT_NO_FATAL_FAILURE(Start(settings));
    const auto folder = program->SettingsFolder();
    const ino_t loaded = Inode(folder / "Legacy.tvr");
    const ino_t devices = Inode(folder / "devices.cfg");
    const ino_t files = Inode(folder / "files.cfg");
    ASSERT_NO_FATAL_FAILURE(Close());

    for (const SettingsFile& file : settings) {
        EXPECT_EQ(program->Setting(file.name), file.bytes) << file.name;
    }
    EXPECT_EQ(program->SettingNames(),
              (std::vector<std::string>{"Example.tvr", "Legacy.tvr", "devices.cfg", "files.cfg"}));
    // The same bytes because the close saved them again, not because it saved nothing.
    EXPECT_NE(Inode(folder / "Legacy.tvr"), loaded);
    EXPECT_NE(Inode(folder / "devices.cfg"), devices);
    EXPECT_NE(Inode(folder / "files.cfg"), files);
}

TEST_P(Closing, WritesLoneLfLineEndsBackAsCrLfAndNothingElse) {
    const std::string example = Golden("example.tvr");
    ASSERT_NO_FATAL_FAILURE(Start({{"files.cfg", "Default\nSpare\n"},
                                   {"devices.cfg", source->FullPortName() + "\n"},
                                   {"Default.tvr", WithLoneLf(example)},
                                   {"Spare.tvr", WithLoneLf(example)}}));
    ASSERT_NO_FATAL_FAILURE(Close());

    EXPECT_EQ(program->Setting("files.cfg"), "Default\r\nSpare\r\n");
    EXPECT_EQ(program->Setting("devices.cfg"), source->FullPortName() + "\r\n");
    EXPECT_EQ(program->Setting("Default.tvr"), example);
    // Only the loaded hotkey file is saved.
    EXPECT_EQ(program->Setting("Spare.tvr"), WithLoneLf(example));
    EXPECT_EQ(program->SettingNames(),
              (std::vector<std::string>{"Default.tvr", "Spare.tvr", "devices.cfg", "files.cfg"}));
}

TEST_P(Closing, EndsAndSavesWhileAKeySequenceMessageIsOpen) {
    // A key sequence that fails on the delivery thread puts up a "SendKeys"
    // message; the program must still end the normal way while it is open.
    const std::string hotkeys = HotkeyFileLine("Broken", "90, 3C, 64", "{NOSUCHKEY}", "keyn");
    ASSERT_NO_FATAL_FAILURE(Start(Settings({hotkeys})));
    source->Send({{0x90, 0x3C, 0x64}});
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        std::this_thread::sleep_for(50ms);
        shown = windows->Find("SendKeys") != 0;
    }
    ASSERT_TRUE(shown) << "no SendKeys message\n" << program->Output();
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(program->Setting("Default.tvr"), hotkeys);
}

INSTANTIATE_TEST_SUITE_P(Settings, Closing, ::testing::Values(CloseBy::WindowManager, CloseBy::Sigterm),
                         [](const ::testing::TestParamInfo<CloseBy>& info) {
                             return info.param == CloseBy::WindowManager ? std::string("WmDeleteWindow")
                                                                         : std::string("Sigterm");
                         });

} // namespace
} // namespace tonvarra::test
