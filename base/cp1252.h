#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tonvarra {

// Text is UTF-8 in memory and Windows-1252 in the settings files and in key
// sequences. Every byte decodes to some character (the five unassigned ones to
// the C1 control of the same number), so any file read and written back keeps
// its bytes.
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text, or nothing when the text is not valid
// UTF-8 or holds a character that Windows-1252 cannot hold.
[[nodiscard]] std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

} // namespace tonvarra
