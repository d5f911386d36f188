#pragma once

// AnsweringPrompts: the tests' Prompts. It records every box the windows show
// and answers text prompts and questions from queues that the test fills
// beforehand, so no modal loop ever runs. A prompt or question with no queued
// answer fails the running test and is answered with Cancel.

#include "dialogs/prompts.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

namespace tonvarra::test {

class AnsweringPrompts : public dialogs::Prompts {
public:
    enum class Kind { Message, Information, Error, Notice, Input, Question };

    // One box as the window showed it. For Input, `text` is the prompt and
    // `initial` the initial text.
    struct Shown {
        Kind kind = Kind::Message;
        QString caption;
        QString text;
        QString initial;
    };

    // The next text prompt returns this text (OK) or nothing (Cancel).
    void answerInput(std::optional<QString> answer) { inputs_.push_back(std::move(answer)); }
    // The next question returns true (OK) or false (Cancel).
    void answerQuestion(bool ok) { questions_.push_back(ok); }

    [[nodiscard]] const std::vector<Shown>& shown() const { return shown_; }
    // The texts of the boxes shown so far, oldest first.
    [[nodiscard]] std::vector<QString> texts() const;
    // Answers that were queued but never asked for.
    [[nodiscard]] std::size_t unusedAnswers() const { return inputs_.size() + questions_.size(); }
    void clear();

    void message(const QString& text, const QString& caption = {}) override;
    void information(const QString& text, const QString& caption = {}) override;
    void error(const QString& text) override;
    void notice(const QString& text, const QString& caption = {}) override;
    std::optional<QString> input(const QString& caption, const QString& prompt,
                                 const QString& initial) override;
    bool question(const QString& caption, const QString& text) override;

private:
    std::vector<Shown> shown_;
    std::deque<std::optional<QString>> inputs_;
    std::deque<bool> questions_;
};

} // namespace tonvarra::test
