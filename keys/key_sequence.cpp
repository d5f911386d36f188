#include "keys/key_sequence.h"

#include "base/cp1252.h"
#include "keys/key_name_table.h"

#include <limits>

namespace tonvarra::keys {
namespace {

constexpr std::uint16_t kShiftBit = 0x0100;

// Only a to z change, as in the byte-wise upper-casing of the group text.
constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

KeySequenceParser::KeySequenceParser(KeyboardPort& port, std::string_view text)
    : port_(port)
    , text_(text.substr(0, text.find('\0'))) {}

std::optional<KeyAction> KeySequenceParser::Next() {
    while (pos_ < text_.size()) {
        const char c = text_[pos_];
        switch (c) {
        case '(':
            ++pos_;
            return OpenGroup{};
        case ')':
            ++pos_;
            return CloseGroup{};
        case '+':
            ++pos_;
            return HoldModifier{kShiftKey};
        case '^':
            ++pos_;
            return HoldModifier{kControlKey};
        case '%':
            ++pos_;
            return HoldModifier{kAltKey};
        case '~':
            ++pos_;
            return TypeKey{kEnterKey, 1};
        case '{': {
            bool skipped = false;
            auto action = BraceGroup(skipped);
            if (skipped) {
                continue;
            }
            return action;
        }
        default: {
            ++pos_;
            const KeyCode code = port_.CharToKeyCode(c);
            if (code == kNoKey) {
                return ShowMessage{kInvalidCharMessage};
            }
            return TypeKey{code, 1};
        }
        }
    }
    return std::nullopt;
}

KeyCode KeySequenceParser::BraceCode(char brace, VirtualKey fallback) {
    // On a US layout the layout's own answer is the bracket key with Shift; on
    // others the brace sits elsewhere (German AltGr+7), and the user asked for a brace.
    const KeyCode code = port_.CharToKeyCode(brace);
    return code != kNoKey ? code : static_cast<KeyCode>(kShiftBit | fallback);
}

std::optional<KeyAction> KeySequenceParser::BraceGroup(bool& skipped) {
    // "{{}" is a left brace; the three characters go whatever the third one is.
    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '{') {
        pos_ += 3;
        return TypeKey{BraceCode('{', kLeftBracketKey), 1};
    }
    ++pos_;
    std::size_t length = 0;
    for (;;) {
        if (pos_ >= text_.size()) {
            return UnclosedGroup{};
        }
        const char ch = text_[pos_++];
        if (ch == '}') {
            break;
        }
        if (length < kMaxGroupText) {
            groupText_[length++] = UpperAscii(ch);
        }
    }
    // A group directly followed by "}" types a right brace, which is how "{}}" works.
    if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return TypeKey{BraceCode('}', kRightBracketKey), 1};
    }

    std::string_view name(groupText_, length);
    std::uint16_t count = 1;
    if (const auto blank = name.find(' '); blank != std::string_view::npos) {
        const std::string_view countText = name.substr(blank + 1);
        const auto value = ParseRepeatCount(countText);
        if (!value) {
            pos_ = text_.size();
            return BadRepeatCount{countText};
        }
        // The low 16 bits, read as unsigned: "{TAB -1}" is 65535 TABs.
        count = static_cast<std::uint16_t>(static_cast<std::uint32_t>(*value) & 0xFFFFu);
        name = name.substr(0, blank);
    }

    KeyCode code = kNoKey;
    if (name.size() == 1) {
        code = port_.CharToKeyCode(name[0]);
        if (code == kNoKey) {
            skipped = true; // no message for a single character without a key
            return std::nullopt;
        }
    } else {
        code = LookupKeyName(name);
        if (code == kNoKey) {
            return ShowMessage{kInvalidKeyNameMessage};
        }
    }
    return TypeKey{code, count};
}

std::optional<std::int32_t> ParseRepeatCount(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // The magnitude may reach 2^31 so that INT32_MIN fits.
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > -kMin) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > kMax) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::string RepeatCountMessage(std::string_view countText) {
    std::string message = "'";
    message += Cp1252ToUtf8(countText);
    message += "' is not a valid integer value";
    return message;
}

} // namespace tonvarra::keys
