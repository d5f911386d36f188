#pragma once

// SendKeys: the key-sequence language ("{TAB 3}", "+(ab)c", "^s") and its sender.
// This header is the contract that the matcher and the dialogs use; the parser
// is in key_sequence.h, the building blocks that send in key_sender.h.

#include "keys/keyboard_port.h"

#include <string>
#include <string_view>
#include <vector>

namespace tonvarra::keys {

// Types Text (Windows-1252 bytes, up to the first NUL) through the port. False
// for an empty text and for a brace group that is never closed. A repeat count
// that is not an integer throws tonvarra::ConvertError. However the call ends,
// no modifier that it pressed is left down.
bool SendKeys(KeyboardPort& port, std::string_view Text, bool Wait);

// The messages that SendKeys would show for Text ("Invalid Key Name",
// "Invalid KeyName", "No Close", "'x' is not a valid integer value"), in the
// order it would show them, without sending anything. Empty: the text is clean.
[[nodiscard]] std::vector<std::string> CheckKeySequence(KeyboardPort& port, std::string_view Text);

} // namespace tonvarra::keys
