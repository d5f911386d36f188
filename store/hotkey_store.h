#pragma once

// HotkeyStore: the main window's settings state (the hotkey table, the file list,
// the current file and the device selection) and the operations that keep the
// settings folder and the open devices in step with it. GUI thread only. This
// header is the contract that the windows use; the store's owner may add to it.

#include "midi/midi_input.h"
#include "store/check_list.h"
#include "store/hotkey_table.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tonvarra::store {

// The settings folder: "Settings" below the folder that holds the executable.
[[nodiscard]] std::filesystem::path SettingsFolderBesideExecutable();

class HotkeyStore {
public:
    HotkeyStore(std::filesystem::path settingsFolder, midi::TMidiInput& midi);

    // The handler that the device mount installs (the main window's HandleMidiData).
    void setHandleMidiData(midi::ShortMessageHandler handler) { handleMidiData_ = handler; }
    [[nodiscard]] midi::ShortMessageHandler handleMidiData() const { return handleMidiData_; }

    [[nodiscard]] HotkeyTable& table() { return table_; }
    [[nodiscard]] CheckList& filenames() { return filenames_; }
    [[nodiscard]] CheckList& device() { return device_; }
    [[nodiscard]] std::vector<std::string>& device2() { return device2_; }
    [[nodiscard]] std::string& currentfile() { return currentfile_; }
    [[nodiscard]] const std::filesystem::path& settingsFolder() const { return folder_; }
    [[nodiscard]] midi::TMidiInput& midi() { return midi_; }

    // Device j is enabled when `device` has a ticked row j; no row counts as not enabled.
    [[nodiscard]] bool deviceEnabled(std::size_t j) const;

    // Rebuilds everything from the settings folder; never throws, a failure ends it silently.
    void loadClick();
    // Writes the ticked hotkey file(s), devices.cfg and files.cfg; throws
    // tonvarra::Error with the system's text, and memory is unchanged.
    void saveClick();
    // Opens every ticked device and installs HandleMidiData once per row; MIDI errors pass.
    void mdeviceClick();
    // One pass of the one-second device sync; MIDI errors pass.
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
};

} // namespace tonvarra::store
