#include "support/answering_prompts.h"

#include <gtest/gtest.h>

namespace tonvarra::test {

std::vector<QString> AnsweringPrompts::texts() const {
    std::vector<QString> result;
    result.reserve(shown_.size());
    for (const Shown& s : shown_) {
        result.push_back(s.text);
    }
    return result;
}

void AnsweringPrompts::clear() {
    shown_.clear();
    inputs_.clear();
    questions_.clear();
}

void AnsweringPrompts::message(const QString& text, const QString& caption) {
    shown_.push_back({Kind::Message, caption, text, {}});
}

void AnsweringPrompts::information(const QString& text, const QString& caption) {
    shown_.push_back({Kind::Information, caption, text, {}});
}

void AnsweringPrompts::error(const QString& text) {
    shown_.push_back({Kind::Error, {}, text, {}});
}

void AnsweringPrompts::notice(const QString& text, const QString& caption) {
    shown_.push_back({Kind::Notice, caption, text, {}});
}

std::optional<QString> AnsweringPrompts::input(const QString& caption, const QString& prompt,
                                               const QString& initial) {
    shown_.push_back({Kind::Input, caption, prompt, initial});
    if (inputs_.empty()) {
        ADD_FAILURE() << "unexpected text prompt: " << prompt.toStdString();
        return std::nullopt;
    }
    std::optional<QString> answer = std::move(inputs_.front());
    inputs_.pop_front();
    return answer;
}

bool AnsweringPrompts::question(const QString& caption, const QString& text) {
    shown_.push_back({Kind::Question, caption, text, {}});
    if (questions_.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool answer = questions_.front();
    questions_.pop_front();
    return answer;
}

} // namespace tonvarra::test
