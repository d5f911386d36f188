#pragma once

// The key-sequence language ("+(ab)c", "{TAB 3}", "^%~") read into actions. The
// parser asks the port only for the character mapping, so a sequence can be
// checked without sending anything; SendKeys runs the same actions.

#include "keys/keyboard_port.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tonvarra::keys {

inline constexpr std::string_view kSendKeysCaption = "SendKeys";
inline constexpr std::string_view kInvalidKeyNameMessage = "Invalid Key Name"; // unknown name in braces
inline constexpr std::string_view kInvalidCharMessage = "Invalid KeyName";     // character without a key
inline constexpr std::string_view kNoCloseMessage = "No Close";

// "(": held modifiers are no longer released after each key.
struct OpenGroup {};
// ")": the group ends and the held modifiers go up.
struct CloseGroup {};
// "+", "^", "%": the modifier goes down and stays held for the next key or group.
struct HoldModifier {
    VirtualKey vk;
};
// A key with the shift state it needs, count times, then the held modifiers go up.
struct TypeKey {
    KeyCode code;
    std::uint16_t count;
};
// A message to show; processing goes on.
struct ShowMessage {
    std::string_view text;
};
// A brace group that the text never closes: "No Close", and the call fails.
struct UnclosedGroup {};
// A repeat count that is not an integer; the text is valid until the next action.
struct BadRepeatCount {
    std::string_view countText;
};

using KeyAction =
    std::variant<OpenGroup, CloseGroup, HoldModifier, TypeKey, ShowMessage, UnclosedGroup, BadRepeatCount>;

// Reads a sequence (Windows-1252 bytes, up to the first NUL) one action at a
// time, left to right. Allocates nothing.
class KeySequenceParser {
public:
    KeySequenceParser(KeyboardPort& port, std::string_view text);

    // The next action, or nothing at the end of the text. After UnclosedGroup or
    // BadRepeatCount there is nothing more.
    [[nodiscard]] std::optional<KeyAction> Next();

private:
    static constexpr std::size_t kMaxGroupText = 20;

    [[nodiscard]] std::optional<KeyAction> BraceGroup(bool& skipped);
    [[nodiscard]] KeyCode BraceCode(char brace, VirtualKey fallback);

    KeyboardPort& port_;
    std::string_view text_;
    std::size_t pos_ = 0;
    char groupText_[kMaxGroupText] = {};
};

// The repeat count's conversion: an optional sign and decimal digits that fit a
// signed 32-bit integer, nothing else.
[[nodiscard]] std::optional<std::int32_t> ParseRepeatCount(std::string_view text);

// "'<text>' is not a valid integer value", with the count text as UTF-8.
[[nodiscard]] std::string RepeatCountMessage(std::string_view countText);

} // namespace tonvarra::keys
