#pragma once

// Prompts: the one way windows talk to the user. The program's implementation
// shows Qt boxes; the tests' implementation answers from a queue.

#include <QString>
#include <optional>

namespace tonvarra::dialogs {

class Prompts {
public:
    virtual ~Prompts() = default;
    // A plain message box with an OK button.
    virtual void message(const QString& text, const QString& caption = {}) = 0;
    // An information box with an OK button.
    virtual void information(const QString& text, const QString& caption = {}) = 0;
    // An error box with the system's text.
    virtual void error(const QString& text) = 0;
    // A message from work in the background (a key sequence that failed, a
    // device that cannot be opened). It does not wait for the user: a waiting
    // box would hold the whole program, and its quitting, until answered.
    virtual void notice(const QString& text, const QString& caption = {}) = 0;
    // A text prompt; nothing when the user cancels.
    virtual std::optional<QString> input(const QString& caption, const QString& prompt,
                                         const QString& initial) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool question(const QString& caption, const QString& text) = 0;
};

} // namespace tonvarra::dialogs
