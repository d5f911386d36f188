#pragma once

#include "support/recording_keyboard.h"

#include <string>

namespace tonvarra::test {

// The letters that the port typed, in order, in lower case ("ab" for a, then b).
inline std::string TypedLetters(const RecordingKeyboard& port) {
    std::string letters;
    for (const auto& event : port.Events()) {
        if ((event.flags & keys::kKeyUpFlag) == 0 && event.vk >= 'A' && event.vk <= 'Z') {
            letters += static_cast<char>(event.vk - 'A' + 'a');
        }
    }
    return letters;
}

} // namespace tonvarra::test
