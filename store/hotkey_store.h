#pragma once

// HotkeyStore: the main window's settings state (the hotkey table, the file list,
// the current file and the device selection) and the operations that keep the
// settings folder and the open devices in step with it. GUI thread only. This
// header is the contract that the windows use; the store's owner may add to it.

#include "midi/midi_input.h"
#include "store/check_list.h"
#include "store/hotkey_table.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tonvarra::store {

// The settings folder: "Settings" below the folder that holds the executable,
// whatever the working directory; both the load and the save use it. Throws
// tonvarra::Error when the executable's path cannot be read.
[[nodiscard]] std::filesystem::path SettingsFolderBesideExecutable();

// The hotkey file of a name: the name and ".tvr" in the settings folder. Throws
// tonvarra::Error for a name that would leave the folder (a slash or a NUL).
[[nodiscard]] std::filesystem::path HotkeyFilePath(const std::filesystem::path& settingsFolder,
                                                   const std::string& name);

class HotkeyStore {
public:
    HotkeyStore(std::filesystem::path settingsFolder, midi::TMidiInput& midi);
    HotkeyStore(const HotkeyStore&) = delete;
    HotkeyStore& operator=(const HotkeyStore&) = delete;

    // The handler that the device mount installs (the main window's HandleMidiData).
    void setHandleMidiData(midi::ShortMessageHandler handler) { handleMidiData_ = handler; }
    [[nodiscard]] midi::ShortMessageHandler handleMidiData() const { return handleMidiData_; }

    [[nodiscard]] HotkeyTable& table() { return table_; }
    [[nodiscard]] CheckList& filenames() { return filenames_; }
    [[nodiscard]] CheckList& device() { return device_; }
    // Every device name in index order; the main window fills it from
    // DeviceNames before the first load, and the load copies it into `device`.
    [[nodiscard]] std::vector<std::string>& device2() { return device2_; }
    [[nodiscard]] std::string& currentfile() { return currentfile_; }
    [[nodiscard]] const std::filesystem::path& settingsFolder() const { return folder_; }
    [[nodiscard]] midi::TMidiInput& midi() { return midi_; }

    // Device j is enabled when `device` has a ticked row j; no row counts as not enabled.
    [[nodiscard]] bool deviceEnabled(std::size_t j) const;

    // The hotkey file whose hotkeys the table holds, set by loadClick once it
    // has read that file (or found that it does not exist yet). saveClick
    // writes the table into a ticked file only when it is this one, so a stray
    // tick, or a file that exists but could not be read, never receives it.
    [[nodiscard]] const std::optional<std::string>& tableFile() const { return tableFile_; }

    // Rebuilds everything from the settings folder; never throws, a failure ends it silently.
    void loadClick();
    // Writes the ticked hotkey file(s), devices.cfg and files.cfg; throws
    // tonvarra::Error with the system's text, and memory is unchanged. A text
    // that a file cannot store fails the save before any file is written; each
    // file is replaced atomically, and a failed write stops the writes after it.
    void saveClick();
    // Opens every ticked device and installs HandleMidiData once per row. A
    // device that fails to open does not stop the pass: the other devices are
    // opened and the handler installed, then the first error is thrown.
    void mdeviceClick();
    // One pass of the one-second device sync: opens the ticked devices and
    // closes the others. Every row is handled even when one fails; a failure is
    // thrown as tonvarra::Error once, and not again while the same device keeps
    // failing with the same text, so a broken device is not reported every second.
    void syncDevices();

private:
    std::filesystem::path folder_;
    midi::TMidiInput& midi_;
    midi::ShortMessageHandler handleMidiData_;
    HotkeyTable table_;
    CheckList filenames_;
    CheckList device_;
    std::vector<std::string> device2_;
    std::string currentfile_;
    std::optional<std::string> tableFile_;
    std::vector<std::string> syncFailures_; // by device row: the error last reported
    // Whether the ticks of `device` are the stored selection (read from
    // devices.cfg) or one made since; only then may the save replace devices.cfg.
    bool deviceSelectionKnown_ = false;
    bool loading_ = false;
};

} // namespace tonvarra::store
