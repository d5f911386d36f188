#include "midi/port_name.h"

#include <cctype>

namespace tonvarra::midi {

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string WithoutAlsaAddress(std::string_view name) {
    const auto space = name.rfind(' ');
    if (space == std::string_view::npos) {
        return std::string(name);
    }
    const std::string_view address = name.substr(space + 1);
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || !AllDigits(address.substr(0, colon)) ||
        !AllDigits(address.substr(colon + 1))) {
        return std::string(name);
    }
    return std::string(name.substr(0, space));
}

} // namespace tonvarra::midi
