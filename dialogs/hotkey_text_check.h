#pragma once

#include <QString>

#include <optional>

namespace tonvarra::dialogs {

// Why a hotkey's name or outgoing action cannot be stored in a hotkey file: it
// holds a line break or a NUL, one of the file's four field separators, or a character
// that Windows-1252 cannot hold. fieldName starts the message ("The name").
// Nothing when the text can be stored as it is.
[[nodiscard]] std::optional<QString> HotkeyTextRefusal(const QString& fieldName, const QString& text);

} // namespace tonvarra::dialogs
