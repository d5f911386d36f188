// The file and hotkey commands on a real settings folder: what they write to
// disk, byte for byte, and what they refuse.

#include "midi/midi_input.h"
#include "settings_folder.h"
#include "store/file_commands.h"
#include "store/hotkey_store.h"
#include "support/scripted_midi_driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace tonvarra {
namespace {

using store::CommandResult;
using test::HotkeyLine;

const std::string kPlay = HotkeyLine("Play", "90, 3C, 7F", "{F5}", "keyn", "-1");
const std::string kMute = HotkeyLine("Mute", "90, 3E,  *", "^m", "keystroke", "0");
const std::string kNext = HotkeyLine("Next", "B0, 10, 7F", "{RIGHT}", "keyn", "-1");

class FileCommands : public ::testing::Test {
protected:
    // Two hotkey files, A (current, three hotkeys) and B (one), one device enabled.
    void SetUp() override {
        folder_.write("files.cfg", "A\r\nB\r\n");
        folder_.write("A.tvr", kPlay + kMute + kNext);
        folder_.write("B.tvr", kNext);
        folder_.write("devices.cfg", "Pads\r\n");
        load({"Pads"});
    }

    void load(std::vector<std::string> devices) {
        store_.reset();
        midi_ = std::make_unique<midi::TMidiInput>(
            std::make_unique<test::ScriptedMidiDriver>(std::move(devices)));
        store_ = std::make_unique<store::HotkeyStore>(folder_.path(), *midi_);
        store_->device2() = midi_->DeviceNames();
        store_->loadClick();
    }

    [[nodiscard]] std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (std::size_t i = 0; i < store_->table().size(); ++i) {
            result.push_back(store_->table().row(i).midiname);
        }
        return result;
    }
    [[nodiscard]] std::vector<bool> fileTicks() const {
        std::vector<bool> ticks;
        for (std::size_t i = 0; i < store_->filenames().size(); ++i) {
            ticks.push_back(store_->filenames().ticked(i));
        }
        return ticks;
    }

    test::SettingsFolder folder_;
    std::unique_ptr<midi::TMidiInput> midi_;
    std::unique_ptr<store::HotkeyStore> store_;
};

TEST_F(FileCommands, CreateListsTheNewEmptyFileLastTicksOnlyItAndLoadsIt) {
    ASSERT_EQ(names().size(), 3u);
    EXPECT_EQ(store::CreateHotkeyFile(*store_, "Live set"), CommandResult::done());

    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\nLive set\r\n");
    EXPECT_EQ(folder_.read("Live set.tvr"), "");
    EXPECT_EQ(folder_.read("A.tvr"), kPlay + kMute + kNext);
    EXPECT_EQ(fileTicks(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(store_->currentfile(), "Live set");
    EXPECT_TRUE(names().empty());
}

TEST_F(FileCommands, CreateWritesTheFileListAlsoWithoutAnyDevice) {
    load({});
    EXPECT_EQ(store::CreateHotkeyFile(*store_, "Default"), CommandResult::done());
    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\nDefault\r\n");
}

TEST_F(FileCommands, CreateRefusesNamesThatCannotBeAHotkeyFile) {
    struct Case {
        std::string name;
        std::string message;
    };
    const std::string pathChars = "A file name must not contain any of the characters / \\ : * ? \" < > |";
    const Case cases[] = {
        {"B", "Name already in use"},
        {"", "Please enter a name"},
        {"../outside", pathChars},
        {"sub/dir", pathChars},
        {"back\\slash", pathChars},
        {"C:", pathChars},
        {"what?", pathChars},
        {"a..b", "A file name must not contain \"..\""},
        {".hidden", "A file name must not begin with a dot"},
        {"line\r\nbreak", "A file name must not contain control characters"},
        {"tab\tname", "A file name must not contain control characters"},
        {"c1\xC2\x81", "A file name must not contain control characters"},
        {"\xE6\x97\xA5\xE6\x9C\xAC",
         "A file name must hold only characters of the Windows-1252 character set"},
        {"bad\xFF", "A file name must hold only characters of the Windows-1252 character set"},
    };
    const std::vector<std::string> before = folder_.listing();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(store::CreateHotkeyFile(*store_, c.name), CommandResult::message(c.message));
        EXPECT_EQ(folder_.listing(), before);
        EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\n");
        EXPECT_EQ(names().size(), 3u);
        EXPECT_EQ(store_->currentfile(), "");
    }
}

TEST_F(FileCommands, CreateAcceptsWindows1252Letters) {
    EXPECT_EQ(store::CreateHotkeyFile(*store_, "B\xC3\xBChne \xE2\x82\xAC"),
              CommandResult::done()); // "Bühne €"
    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\nB\xFChne \x80\r\n");
}

TEST_F(FileCommands, CreateTakesOverAnUnlistedFileWithoutEmptyingIt) {
    folder_.write("Old.tvr", kMute);
    EXPECT_EQ(store::CreateHotkeyFile(*store_, "Old"), CommandResult::done());
    EXPECT_EQ(folder_.read("Old.tvr"), kMute);
    EXPECT_EQ(names(), std::vector<std::string>{"Mute"});
    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\nOld\r\n");
}

TEST_F(FileCommands, CreateThatCannotWriteTheFileListChangesNothing) {
    // The atomic write's temporary file cannot be made where a folder stands.
    std::filesystem::create_directory(folder_.file(".files.cfg.tmp"));
    std::filesystem::create_directory(folder_.file("files.cfg.tmp"));
    const CommandResult result = store::CreateHotkeyFile(*store_, "New");
    EXPECT_EQ(result.kind, CommandResult::Kind::Error);
    EXPECT_FALSE(folder_.exists("New.tvr"));
    EXPECT_EQ(store_->filenames().names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(fileTicks(), (std::vector<bool>{true, false}));
    EXPECT_EQ(names().size(), 3u);

    // The table still belongs to A: a save writes A and nothing else.
    std::filesystem::remove(folder_.file(".files.cfg.tmp"));
    std::filesystem::remove(folder_.file("files.cfg.tmp"));
    ASSERT_NO_THROW(store_->saveClick());
    EXPECT_FALSE(folder_.exists("New.tvr"));
    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\n");
    EXPECT_EQ(folder_.read("A.tvr"), kPlay + kMute + kNext);
}

TEST_F(FileCommands, CreateWithoutTheSettingsFolderReportsTheSystemError) {
    std::filesystem::remove_all(folder_.path());
    const CommandResult result = store::CreateHotkeyFile(*store_, "New");
    EXPECT_EQ(result.kind, CommandResult::Kind::Error);
    EXPECT_NE(result.text.find("New.tvr"), std::string::npos) << result.text;
    EXPECT_EQ(store_->filenames().names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(store_->currentfile(), "");
}

TEST_F(FileCommands, DeleteAsksForEveryTickedFileAndDeletesOnlyTheConfirmed) {
    std::vector<std::string> asked;
    const auto answer = [&](bool ok) {
        return [&asked, ok](const std::string& name) {
            asked.push_back(name);
            return ok;
        };
    };
    EXPECT_EQ(store::DeleteTickedHotkeyFiles(*store_, answer(false)), CommandResult::done());
    EXPECT_EQ(asked, std::vector<std::string>{"A"});
    EXPECT_EQ(folder_.read("A.tvr"), kPlay + kMute + kNext);
    EXPECT_EQ(folder_.read("files.cfg"), "A\r\nB\r\n");

    EXPECT_EQ(store::DeleteTickedHotkeyFiles(*store_, answer(true)), CommandResult::done());
    EXPECT_FALSE(folder_.exists("A.tvr"));
    EXPECT_EQ(folder_.read("files.cfg"), "B\r\n");
    EXPECT_EQ(folder_.read("B.tvr"), kNext);
    // The hotkeys of the deleted file stay in the table, written into no file.
    EXPECT_EQ(names().size(), 3u);
    EXPECT_EQ(store_->currentfile(), "");
    store_->table().setEnabled(0, false);
    ASSERT_NO_THROW(store_->saveClick());
    EXPECT_FALSE(folder_.exists("A.tvr"));
    EXPECT_EQ(folder_.read("B.tvr"), kNext);
}

TEST_F(FileCommands, DeleteNeverTouchesAFileOutsideTheSettingsFolder) {
    // A files.cfg edited by hand can name anything; its first row is ticked.
    folder_.write("files.cfg", "../outside\r\nB\r\n");
    const std::filesystem::path outside = folder_.path().parent_path() / "outside.tvr";
    { std::ofstream(outside, std::ios::binary) << "keep"; }
    load({"Pads"});
    ASSERT_TRUE(store_->filenames().ticked(0));
    EXPECT_EQ(store::DeleteTickedHotkeyFiles(*store_, [](const std::string&) { return true; }),
              CommandResult::done());
    EXPECT_TRUE(std::filesystem::exists(outside));
    EXPECT_EQ(store_->filenames().names(), std::vector<std::string>{"B"});
}

TEST_F(FileCommands, SelectLoadsTheRowsFileAndTicksOnlyIt) {
    store::SelectHotkeyFile(*store_, 1);
    EXPECT_EQ(names(), std::vector<std::string>{"Next"});
    EXPECT_EQ(fileTicks(), (std::vector<bool>{false, true}));
    EXPECT_EQ(store_->currentfile(), "B");

    // Selecting the current file again reads it from disk again.
    folder_.write("B.tvr", kPlay + kNext);
    store::SelectHotkeyFile(*store_, 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"Play", "Next"}));
    EXPECT_EQ(fileTicks(), (std::vector<bool>{false, true}));

    store::SelectHotkeyFile(*store_, 7); // no such row: nothing happens
    EXPECT_EQ(store_->currentfile(), "B");
}

TEST_F(FileCommands, ACheckBoxWritesTheEnabledMarkAtOnce) {
    EXPECT_EQ(store::SetHotkeyEnabled(*store_, 1, true), CommandResult::done());
    EXPECT_EQ(folder_.read("A.tvr"),
              kPlay + HotkeyLine("Mute", "90, 3E,  *", "^m", "keystroke", "-1") + kNext);
    EXPECT_EQ(store::SetHotkeyEnabled(*store_, 0, false), CommandResult::done());
    EXPECT_EQ(folder_.read("A.tvr"), HotkeyLine("Play", "90, 3C, 7F", "{F5}", "keyn", "0") +
                                         HotkeyLine("Mute", "90, 3E,  *", "^m", "keystroke", "-1") + kNext);
    EXPECT_FALSE(store_->table().row(0).enabled);
}

TEST_F(FileCommands, DeleteHotkeyRemovesExactlyItsLine) {
    EXPECT_EQ(store::DeleteHotkey(*store_, 1), CommandResult::done());
    EXPECT_EQ(folder_.read("A.tvr"), kPlay + kNext);
    EXPECT_EQ(names(), (std::vector<std::string>{"Play", "Next"}));

    EXPECT_EQ(store::DeleteHotkey(*store_, 5), CommandResult::done()); // no such row
    EXPECT_EQ(folder_.read("A.tvr"), kPlay + kNext);
}

} // namespace
} // namespace tonvarra
