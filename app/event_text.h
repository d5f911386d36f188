#pragma once

// EventText: the ten-character text of a MIDI short message, "90, 3C, 64", and
// the velocity modes that a stored hotkey writes into its last two characters.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tonvarra::app {

// The velocity field of a stored hotkey. "00" (only on key up) is an exact
// value like any other two hexadecimal digits.
enum class VelocityMode : std::uint8_t {
    Dependent,   // two hexadecimal digits: exactly that velocity
    Independent, // " *": any velocity, but only once the release stop is armed
    KeyDown,     // "$d": any velocity but 0; velocity 0 ends the scan
};

inline constexpr std::string_view kVelocityIndependentField = " *";
inline constexpr std::string_view kKeyDownField = "$d";

// EventText: the text of a message with upper-case hexadecimal digits. The
// stored hotkey texts are upper case and every comparison is case-sensitive,
// so a lower-case formatter would match nothing.
class EventText {
public:
    static constexpr std::size_t kLength = 10;

    EventText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);

    [[nodiscard]] std::string_view view() const { return {chars_.data(), chars_.size()}; }
    [[nodiscard]] std::string str() const { return std::string(view()); }

private:
    std::array<char, kLength> chars_{};
};

// "Incoming: 90, 3C, 64", the status bar's text for a message.
[[nodiscard]] std::string IncomingText(std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2);

// A stored text reduced to what the matcher compares. Only a text of exactly
// ten characters with upper-case hexadecimal status and key, and a velocity field
// of two upper-case hexadecimal digits, " *" or "$d", can ever match a message;
// the separators (characters 3-4 and 7-8) are never compared.
struct StoredEvent {
    std::uint8_t status = 0;
    std::uint8_t key = 0;
    VelocityMode mode = VelocityMode::Dependent;
    std::uint8_t velocity = 0; // only for VelocityMode::Dependent
    friend bool operator==(const StoredEvent&, const StoredEvent&) = default;
};

// The stored text as the hotkey file holds it (Windows-1252 bytes), or nothing
// when it can never match.
[[nodiscard]] std::optional<StoredEvent> CompileEventText(std::string_view stored);

} // namespace tonvarra::app
