#include "keys/sendkeys.h"

#include "keys/key_sender.h"
#include "keys/key_sequence.h"

namespace tonvarra::keys {

bool SendKeys(KeyboardPort& port, std::string_view Text, bool Wait) {
    KeySequenceParser parser(port, Text);
    KeySender sender(port, Wait);
    bool reachedEnd = true;
    try {
        while (const auto action = parser.Next()) {
            if (!sender.Run(*action)) {
                reachedEnd = false;
                break;
            }
        }
    } catch (...) {
        // A port that fails halfway must not leave a modifier down either.
        sender.ReleaseAllHeld();
        throw;
    }
    // An open group ("+(ab") keeps its modifiers held to here; they go up now.
    sender.ReleaseAllHeld();
    return reachedEnd && Text.substr(0, Text.find('\0')).size() > 0;
}

std::vector<std::string> CheckKeySequence(KeyboardPort& port, std::string_view Text) {
    std::vector<std::string> messages;
    KeySequenceParser parser(port, Text);
    while (const auto action = parser.Next()) {
        if (const auto* m = std::get_if<ShowMessage>(&*action)) {
            messages.emplace_back(m->text);
        } else if (std::holds_alternative<UnclosedGroup>(*action)) {
            messages.emplace_back(kNoCloseMessage);
        } else if (const auto* b = std::get_if<BadRepeatCount>(&*action)) {
            messages.push_back(RepeatCountMessage(b->countText));
        }
    }
    return messages;
}

} // namespace tonvarra::keys
