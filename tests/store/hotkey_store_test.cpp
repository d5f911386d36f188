#include "store/hotkey_store.h"

#include "base/error.h"
#include "store_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace tonvarra::test {
namespace {

using store::HotkeyEntry;

const std::string kSep1 = "\x23\xFC\x23\xF6\x23";
const std::string kSep2 = "\x23\x4C\x23\x4C\x23";
const std::string kSep3 = "\x23\x3F\x23\x24\x23";
const std::string kSep4 = "\x23\x30\x23\xC4\x23";

std::string Line(const std::string& name, const std::string& enabled) {
    return name + kSep1 + "90, 3C, 7F" + kSep2 + "x" + kSep3 + "keyn" + kSep4 + enabled + "\r\n";
}

std::vector<bool> Ticks(const store::CheckList& list) {
    std::vector<bool> ticks;
    for (std::size_t i = 0; i < list.size(); ++i) {
        ticks.push_back(list.ticked(i));
    }
    return ticks;
}

std::vector<std::pair<std::string, bool>> Rows(const store::HotkeyTable& table) {
    std::vector<std::pair<std::string, bool>> rows;
    for (std::size_t i = 0; i < table.size(); ++i) {
        rows.emplace_back(table.row(i).midiname, table.row(i).enabled);
    }
    return rows;
}

std::vector<int> OpenDevices(const midi::TMidiInput& input, std::size_t count) {
    std::vector<int> open;
    for (std::size_t i = 0; i < count; ++i) {
        if (input.IsOpen(static_cast<std::int32_t>(i))) {
            open.push_back(static_cast<int>(i));
        }
    }
    return open;
}

using HotkeyStoreTest = StoreTest;

TEST_F(HotkeyStoreTest, WorkedExampleLoadsAndIsWrittenBackByteForByte) {
    Put("files.cfg", Golden("files.cfg"));
    Put("Default.tvr", Golden("example.tvr"));
    Put("devices.cfg", Golden("devices.cfg"));
    store::HotkeyStore& store = Start({"Other", "USB MIDI In"});
    store.loadClick();

    ASSERT_EQ(store.table().size(), 2u);
    EXPECT_EQ(store.table().row(0), (HotkeyEntry{"Play", "90, 3C, 7F", "{F5}", "keyn", "-1", true, ""}));
    EXPECT_EQ(store.table().row(1), (HotkeyEntry{"Mute", "90, 3E,  *", "^m", "keystroke", "0", false, ""}));
    EXPECT_EQ(store.filenames().names(), (std::vector<std::string>{"Default", "Live set"}));
    EXPECT_EQ(Ticks(store.filenames()), (std::vector<bool>{true, false}));
    EXPECT_TRUE(store.currentfile().empty());
    EXPECT_EQ(Ticks(store.device()), (std::vector<bool>{false, true}));
    EXPECT_EQ(OpenDevices(*input_, 2), std::vector<int>{1});

    Put("files.cfg", "stale");
    Put("Default.tvr", "stale");
    Put("devices.cfg", "stale");
    store.saveClick();
    EXPECT_EQ(Get("Default.tvr"), Golden("example.tvr"));
    EXPECT_EQ(Get("files.cfg"), Golden("files.cfg"));
    EXPECT_EQ(Get("devices.cfg"), Golden("devices.cfg"));
}

TEST_F(HotkeyStoreTest, Windows1252TextAndLinesTheFormatCannotHoldSurviveLoadAndSave) {
    Put("files.cfg", "Legacy\n");
    Put("Legacy.tvr", Golden("legacy.tvr"));
    Put("devices.cfg", "");
    store::HotkeyStore& store = Start();
    store.loadClick();

    EXPECT_EQ(Rows(store.table()),
              (std::vector<std::pair<std::string, bool>>{
                  {"Lautst\xC3\xA4rke", true}, {"Cue", true}, {"Stop \xE2\x82\xAC", false}}));
    EXPECT_EQ(store.table().row(1).data, "x");
    store.saveClick();
    EXPECT_EQ(Get("Legacy.tvr"), Golden("legacy.tvr"));
    EXPECT_EQ(Get("files.cfg"), "Legacy\r\n");

    // Changing a mark stores "-1" or "0" in place of the text read.
    store.table().setEnabled(0, false);
    store.table().setEnabled(2, true);
    store.saveClick();
    const std::string saved = *Get("Legacy.tvr");
    EXPECT_NE(saved.find("keystroker" + kSep4 + "0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("%{F4}" + kSep3 + "keyn" + kSep4 + "-1\r\n"), std::string::npos);
}

// What each silent failure of the load leaves behind, and what the save after it writes.
struct LoadCase {
    const char* what;
    bool folder = true;
    std::map<std::string, std::string> files;
    std::vector<std::string> devices;
    std::vector<std::pair<std::string, bool>> rows;
    std::vector<bool> fileTicks;
    std::vector<bool> deviceTicks;
    std::vector<int> open;
    // After saveClick: each file's bytes, or nothing when it must not exist.
    std::map<std::string, std::optional<std::string>> saved;
};

class LoadFailures : public StoreTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFailures, LeaveTheStateTheLoadReachedAndSaveOnlyWhatIsKnown) {
    const LoadCase& c = GetParam();
    if (!c.folder) {
        std::filesystem::remove_all(folder_);
    }
    for (const auto& [name, bytes] : c.files) {
        Put(name, bytes);
    }
    store::HotkeyStore& store = Start(c.devices);
    store.loadClick();

    EXPECT_EQ(Rows(store.table()), c.rows);
    EXPECT_EQ(store.table().snapshot()->size(), c.rows.size());
    EXPECT_EQ(Ticks(store.filenames()), c.fileTicks);
    EXPECT_EQ(Ticks(store.device()), c.deviceTicks);
    EXPECT_EQ(OpenDevices(*input_, c.devices.size()), c.open);
    for (std::size_t j = 0; j < c.devices.size() + 1; ++j) {
        EXPECT_EQ(store.deviceEnabled(j), j < c.deviceTicks.size() && c.deviceTicks[j]) << j;
    }

    ASSERT_NO_THROW(store.saveClick());
    for (const auto& [name, bytes] : c.saved) {
        EXPECT_EQ(Get(name), bytes) << name;
    }
    if (!c.folder) {
        EXPECT_FALSE(std::filesystem::exists(folder_));
    }
}

const std::string kTwo = Line("One", "-1") + Line("Two", "0");
const std::string kBadRow1 = Line("One", "-1") + Line("Bad", "yes") + Line("Three", "-1");

INSTANTIATE_TEST_SUITE_P(
    HotkeyStore, LoadFailures,
    ::testing::Values(
        LoadCase{"MissingFolder", false, {}, {"Pads"}, {}, {}, {}, {}, {}},
        LoadCase{"MissingFilesCfg",
                 true,
                 {{"A.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}},
                 {"Pads"},
                 {},
                 {},
                 {},
                 {},
                 {{"A.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}, {"files.cfg", std::nullopt}}},
        LoadCase{"ListedHotkeyFileMissing",
                 true,
                 {{"files.cfg", "A\r\nB\r\n"}, {"B.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}},
                 {"Pads"},
                 {},
                 {true, false},
                 {},
                 {},
                 {{"A.tvr", ""}, {"B.tvr", kTwo}, {"files.cfg", "A\r\nB\r\n"}, {"devices.cfg", "Pads\r\n"}}},
        LoadCase{"MissingDevicesCfg",
                 true,
                 {{"files.cfg", "A\r\n"}, {"A.tvr", kTwo}},
                 {"Pads"},
                 {{"One", true}, {"Two", false}},
                 {true},
                 {},
                 {},
                 {{"A.tvr", kTwo}, {"files.cfg", "A\r\n"}, {"devices.cfg", std::nullopt}}},
        LoadCase{"BadEnabledTextInRow1",
                 true,
                 {{"files.cfg", "A\r\n"}, {"A.tvr", kBadRow1}, {"devices.cfg", "Pads\r\n"}},
                 {"Pads"},
                 {{"One", true}, {"Bad", false}, {"Three", false}},
                 {true},
                 {},
                 {},
                 {{"A.tvr", kBadRow1}, {"devices.cfg", "Pads\r\n"}}},
        LoadCase{"EmptyFilesCfg",
                 true,
                 {{"files.cfg", ""}, {"A.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}},
                 {"Pads", "Keys"},
                 {},
                 {},
                 {false, false},
                 {},
                 {{"A.tvr", kTwo}, {"files.cfg", ""}, {"devices.cfg", "Pads\r\n"}}},
        LoadCase{"DevicesCfgNamesAnAbsentDevice",
                 true,
                 {{"files.cfg", "A\r\n"}, {"A.tvr", kTwo}, {"devices.cfg", "Gone\r\nPads\r\n"}},
                 {"Pads", "Keys"},
                 {{"One", true}, {"Two", false}},
                 {true},
                 {true, false},
                 {0},
                 {{"A.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}}},
        LoadCase{"TwoDevicesWithOneName",
                 true,
                 {{"files.cfg", "A\r\n"}, {"A.tvr", kTwo}, {"devices.cfg", "Pads\r\n"}},
                 {"Pads", "Keys", "Pads"},
                 {{"One", true}, {"Two", false}},
                 {true},
                 {true, false, true},
                 {0, 2},
                 {{"devices.cfg", "Pads\r\nPads\r\n"}}},
        LoadCase{"DevicesCfgInAnotherOrder",
                 true,
                 {{"files.cfg", "A\nB"}, {"A.tvr", kTwo}, {"devices.cfg", "A1\r\nC3\r\nnot a device\r\n"}},
                 {"A1", "B2", "C3"},
                 {{"One", true}, {"Two", false}},
                 {true, false},
                 {true, false, true},
                 {0, 2},
                 {{"devices.cfg", "C3\r\nA1\r\n"}, {"files.cfg", "A\r\nB\r\n"}, {"B.tvr", std::nullopt}}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.what); });

TEST_F(HotkeyStoreTest, LoadTakesTheCurrentFileWithoutTickingIt) {
    Put("files.cfg", "A\r\nB\r\n");
    Put("A.tvr", Line("FromA", "-1"));
    Put("B.tvr", Line("FromB", "0"));
    Put("devices.cfg", "");
    store::HotkeyStore& store = Start();
    store.currentfile() = "B";
    store.loadClick();
    EXPECT_EQ(Rows(store.table()), (std::vector<std::pair<std::string, bool>>{{"FromB", false}}));
    EXPECT_EQ(Ticks(store.filenames()), (std::vector<bool>{false, false}));
}

TEST_F(HotkeyStoreTest, LinesLongerThan4096BytesAreReadWhole) {
    const std::string device(5000, 'D');
    const std::string hotkeys = Line(std::string(5000, 'N'), "-1") + Line("Short", "0");
    Put("files.cfg", "A\r\n");
    Put("A.tvr", hotkeys);
    Put("devices.cfg", device + "\r\n");
    store::HotkeyStore& store = Start({"Pads", device});
    store.loadClick();
    ASSERT_EQ(store.table().size(), 2u);
    EXPECT_EQ(store.table().row(0).midiname.size(), 5000u);
    EXPECT_TRUE(store.deviceEnabled(1));
    store.saveClick();
    EXPECT_EQ(Get("A.tvr"), hotkeys);
    EXPECT_EQ(Get("devices.cfg"), device + "\r\n");
}

TEST_F(HotkeyStoreTest, ATickOnAnotherFileNeverReceivesTheTable) {
    Put("files.cfg", "A\r\nB\r\n");
    Put("A.tvr", Line("FromA", "-1"));
    Put("B.tvr", Line("FromB", "0"));
    Put("devices.cfg", "Pads\r\n");
    store::HotkeyStore& store = Start();
    store.loadClick();
    store.filenames().setTicked(1, true);
    store.table().setEnabled(0, false);
    store.saveClick();
    EXPECT_EQ(Get("A.tvr"), Line("FromA", "0"));
    EXPECT_EQ(Get("B.tvr"), Line("FromB", "0"));
}

TEST_F(HotkeyStoreTest, AHotkeyFileThatCannotBeReadIsNeverOverwritten) {
    Put("files.cfg", "A\r\n");
    std::filesystem::create_directory(folder_ / "A.tvr"); // opens, but reading it fails
    Put("devices.cfg", "Pads\r\n");
    store::HotkeyStore& store = Start();
    store.loadClick();
    EXPECT_EQ(store.table().size(), 0u);
    EXPECT_FALSE(store.tableFile().has_value());
    EXPECT_NO_THROW(store.saveClick());
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "A.tvr"));

    // A hotkey made since then cannot be saved: the save must say so, not pass as done.
    store.table().append({"New", "90, 3C, 64", "a", "keyn", "-1", true, ""});
    try {
        store.saveClick();
        ADD_FAILURE() << "the save passed as done";
    } catch (const Error& e) {
        EXPECT_STREQ(
            e.what(),
            "The hotkey file \"A\" could not be read, so it is not overwritten: the hotkeys are not saved.");
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "A.tvr"));
}

TEST_F(HotkeyStoreTest, ANameLeavingTheFolderIsNeitherReadNorWritten) {
    Put("files.cfg", "../outside\r\n");
    WriteBytes(root_ / "outside.tvr", Line("Secret", "-1"));
    Put("devices.cfg", "");
    store::HotkeyStore& store = Start();
    store.loadClick();
    EXPECT_EQ(store.table().size(), 0u);
    store.saveClick();
    EXPECT_EQ(ReadBytes(root_ / "outside.tvr"), Line("Secret", "-1"));
}

TEST_F(HotkeyStoreTest, ReadsAndWritesBesideTheGivenFolderWhateverTheWorkingDirectory) {
    // The working directory has a settings folder of its own, which must be
    // neither read nor written.
    const std::filesystem::path elsewhere = root_ / "elsewhere";
    std::filesystem::create_directories(elsewhere / "Settings");
    WriteBytes(elsewhere / "Settings" / "files.cfg", "Other\r\n");
    Put("files.cfg", "A\r\n");
    Put("A.tvr", Line("One", "-1"));
    Put("devices.cfg", "Pads\r\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere);

    store::HotkeyStore& store = Start();
    store.loadClick();
    store.table().setEnabled(0, false);
    store.saveClick();
    const std::filesystem::path settingsFolder = store::SettingsFolderBesideExecutable();
    std::filesystem::current_path(before);

    EXPECT_EQ(Rows(store.table()), (std::vector<std::pair<std::string, bool>>{{"One", false}}));
    EXPECT_EQ(Get("A.tvr"), Line("One", "0"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere / "Settings"), {}), 1);
    EXPECT_EQ(settingsFolder, std::filesystem::canonical(TONVARRA_TEST_BIN_DIR) / "Settings");
}

// The state that a failed save must leave as it was.
struct Memory {
    store::HotkeyTable::Rows rows;
    std::vector<std::string> files;
    std::vector<bool> fileTicks;
    std::vector<bool> deviceTicks;
    std::string currentfile;
    friend bool operator==(const Memory&, const Memory&) = default;
};

Memory Remember(store::HotkeyStore& store) {
    return {*store.table().snapshot(), store.filenames().names(), Ticks(store.filenames()),
            Ticks(store.device()), store.currentfile()};
}

class SaveFailures : public StoreTest {
protected:
    store::HotkeyStore& Loaded() {
        Put("files.cfg", "A\r\n");
        Put("A.tvr", kTwo);
        Put("devices.cfg", "Pads\r\n");
        store::HotkeyStore& store = Start();
        store.loadClick();
        store.table().setEnabled(1, true);
        return store;
    }
};

TEST_F(SaveFailures, AMissingFolderIsReportedAndMemoryStays) {
    store::HotkeyStore& store = Loaded();
    std::filesystem::remove_all(folder_);
    const Memory before = Remember(store);
    try {
        store.saveClick();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos) << e.what();
    }
    EXPECT_EQ(Remember(store), before);
}

TEST_F(SaveFailures, AReadOnlyFolderIsReportedAndMemoryAndFilesStay) {
    store::HotkeyStore& store = Loaded();
    std::filesystem::permissions(root_, std::filesystem::perms(0755));
    std::filesystem::permissions(folder_, std::filesystem::perms(0555));
    // root writes into any folder, so the save runs as an unprivileged user.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        const Memory before = Remember(store);
        std::string report = "no error";
        try {
            store.saveClick();
        } catch (const Error& e) {
            report = e.what();
        }
        report += Remember(store) == before ? "|unchanged" : "|changed";
        (void)!::write(pipe[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(report.find(std::strerror(EACCES)), std::string::npos) << report;
    EXPECT_NE(report.find("|unchanged"), std::string::npos) << report;
    EXPECT_EQ(Get("A.tvr"), kTwo);
}

TEST_F(SaveFailures, AFailedWriteStopsTheWritesAfterIt) {
    store::HotkeyStore& store = Loaded();
    store.filenames().append("B");
    std::filesystem::remove(folder_ / "devices.cfg");
    std::filesystem::create_directory(folder_ / "devices.cfg");
    const Memory before = Remember(store);
    EXPECT_THROW(store.saveClick(), Error);
    EXPECT_EQ(Remember(store), before);
    EXPECT_EQ(Get("A.tvr"), Line("One", "-1") + Line("Two", "-1")); // written before the failure
    EXPECT_EQ(Get("files.cfg"), "A\r\n");                           // not written after it
}

TEST_F(SaveFailures, TextThatCannotBeStoredWritesNothing) {
    store::HotkeyStore& store = Loaded();
    store.table().append({"\xE6\x97\xA5\xE6\x9C\xAC", "90, 40, 7F", "x", "keyn", "-1", true, ""});
    const Memory before = Remember(store);
    try {
        store.saveClick();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("\xE6\x97\xA5\xE6\x9C\xAC"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Remember(store), before);
    EXPECT_EQ(Get("A.tvr"), kTwo);
}

} // namespace
} // namespace tonvarra::test
