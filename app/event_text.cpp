#include "app/event_text.h"

namespace tonvarra::app {

namespace {

constexpr std::array<char, 16> kHexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

void PutHex(char* out, std::uint8_t byte) {
    out[0] = kHexDigits[byte >> 4];
    out[1] = kHexDigits[byte & 0x0F];
}

// Upper-case digits only: a stored "3c" must not match the incoming "3C".
std::optional<std::uint8_t> HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

std::optional<std::uint8_t> HexByte(std::string_view two) {
    const auto high = HexDigit(two[0]);
    const auto low = HexDigit(two[1]);
    if (!high || !low) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*high << 4 | *low);
}

} // namespace

EventText::EventText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    PutHex(&chars_[0], Status);
    chars_[2] = ',';
    chars_[3] = ' ';
    PutHex(&chars_[4], Data1);
    chars_[6] = ',';
    chars_[7] = ' ';
    PutHex(&chars_[8], Data2);
}

std::string IncomingText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
    std::string text = "Incoming: ";
    text += EventText(Status, Data1, Data2).view();
    return text;
}

std::optional<StoredEvent> CompileEventText(std::string_view stored) {
    if (stored.size() != EventText::kLength) {
        return std::nullopt;
    }
    const auto status = HexByte(stored.substr(0, 2));
    const auto key = HexByte(stored.substr(4, 2));
    if (!status || !key) {
        return std::nullopt;
    }
    StoredEvent event{*status, *key, VelocityMode::Dependent, 0};
    const std::string_view field = stored.substr(8, 2);
    if (field == kVelocityIndependentField) {
        event.mode = VelocityMode::Independent;
    } else if (field == kKeyDownField) {
        event.mode = VelocityMode::KeyDown;
    } else if (const auto velocity = HexByte(field)) {
        event.velocity = *velocity;
    } else {
        return std::nullopt;
    }
    return event;
}

} // namespace tonvarra::app
