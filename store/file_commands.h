#pragma once

// The file and hotkey commands of the main window, without the windows: create,
// delete and select hotkey files; enable, disable and delete a hotkey. Each one
// changes the HotkeyStore and writes the settings folder as the user expects of
// a single click, and says what the window has to show as a CommandResult.
// GUI thread only.

#include "store/hotkey_store.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvarra::store {

// What a command leaves for the user: nothing, a plain message box (input that
// was refused) or an error box with the system's text (a file that failed).
struct CommandResult {
    enum class Kind { Done, Message, Error };
    Kind kind = Kind::Done;
    std::string text;

    [[nodiscard]] static CommandResult done() { return {}; }
    [[nodiscard]] static CommandResult message(std::string t) { return {Kind::Message, std::move(t)}; }
    [[nodiscard]] static CommandResult error(std::string t) { return {Kind::Error, std::move(t)}; }
    [[nodiscard]] bool ok() const { return kind == Kind::Done; }
    friend bool operator==(const CommandResult&, const CommandResult&) = default;
};

// The name the create-file prompt starts with, and the one a Cancel goes on with.
inline constexpr std::string_view kDefaultFileName = "Default";

// Why a name cannot become a hotkey file, or nothing when it can. Checks, in
// this order: already listed (byte for byte), empty, then the characters that
// would put the file outside the settings folder or that the file list cannot
// store.
[[nodiscard]] std::optional<std::string> CheckNewFileName(const std::vector<std::string>& listed,
                                                          std::string_view name);

// Creates the hotkey file `name` (a Cancel of the prompt passes "Default"),
// lists it last, makes it the current file and loads it. A file of that name
// that already exists in the settings folder is taken over as it is, never
// emptied. On an error nothing in memory or in files.cfg changes.
[[nodiscard]] CommandResult CreateHotkeyFile(HotkeyStore& store, const std::string& name);

// Asks `confirm` for every ticked file, last row first; each confirmed one is
// deleted from disk (silently when that fails), unlisted and saved.
using ConfirmDelete = std::function<bool(const std::string& name)>;
[[nodiscard]] CommandResult DeleteTickedHotkeyFiles(HotkeyStore& store, const ConfirmDelete& confirm);

// Makes row r of the file list the current file and loads it from disk.
void SelectHotkeyFile(HotkeyStore& store, std::size_t r);

// Sets the enabled mark of hotkey r and saves.
[[nodiscard]] CommandResult SetHotkeyEnabled(HotkeyStore& store, std::size_t r, bool enabled);

// Removes hotkey r from the table and saves.
[[nodiscard]] CommandResult DeleteHotkey(HotkeyStore& store, std::size_t r);

} // namespace tonvarra::store
