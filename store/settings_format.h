#pragma once

// The three settings file formats: files.cfg, devices.cfg and the hotkey file.
// Bytes on disk are Windows-1252; everything here hands UTF-8 text to the
// caller and takes UTF-8 text back. Pure functions, no file access.

#include "store/hotkey_table.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvarra::store {

// The four five-byte separators of a hotkey line, as Windows-1252 bytes.
inline constexpr std::array<std::string_view, 4> kHotkeySeparators = {
    "\x23\xFC\x23\xF6\x23", // after the name
    "\x23\x4C\x23\x4C\x23", // after the MIDI event
    "\x23\x3F\x23\x24\x23", // after the action
    "\x23\x30\x23\xC4\x23", // after the action kind
};

// The lines of a settings file: the text ends at the first NUL; a line ends at
// CR LF, a lone CR or a lone LF; a final line break is optional.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view bytes);

// The enabled text read as a truth value: a decimal number (zero is false) or
// True/False in any letter case; nothing for any other text.
[[nodiscard]] std::optional<bool> ReadTruthValue(std::string_view text);

// One hotkey from one non-empty line of a hotkey file. The fields come from the
// left-to-right separator scan, so a field that the scan never reaches stays
// empty. A line that does not hold each separator once and in order keeps its
// bytes in `line`, so that saving an unchanged row writes it back as it was.
// The check box face is left cleared; the load sets it.
[[nodiscard]] HotkeyEntry ParseHotkeyLine(std::string_view line);

// Every non-empty line of a hotkey file, one row each, in line order.
[[nodiscard]] HotkeyTable::Rows ParseHotkeyFile(std::string_view bytes);

// The names of files.cfg or devices.cfg, one per line, empty lines included.
[[nodiscard]] std::vector<std::string> ParseNameList(std::string_view bytes);

// The bytes of a hotkey file: one line per row, CR LF after each. Throws
// tonvarra::Error, naming the hotkey, when a text cannot be stored: a line
// break, a separator or a character that Windows-1252 cannot hold.
[[nodiscard]] std::string FormatHotkeyFile(const HotkeyTable::Rows& rows);

// The bytes of files.cfg: one name per line, CR LF after each. Throws
// tonvarra::Error when a name holds a line break or a character that
// Windows-1252 cannot hold.
[[nodiscard]] std::string FormatFileList(const std::vector<std::string>& names);

// How a device name is stored in devices.cfg: its Windows-1252 bytes, or its
// UTF-8 bytes when Windows-1252 cannot hold it (device names come from the
// system, not from the user, and saving must not fail for them).
[[nodiscard]] std::string DeviceNameBytes(std::string_view name);

// The bytes of devices.cfg from names already in stored form, CR LF after each.
[[nodiscard]] std::string FormatDeviceList(const std::vector<std::string>& storedNames);

} // namespace tonvarra::store
