#pragma once

// QtPrompts: the program's Prompts, shown as Qt message boxes and a text prompt
// over a parent window.

#include "dialogs/prompts.h"

#include <QPointer>
#include <QWidget>

namespace tonvarra::app {

class QtPrompts : public dialogs::Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr)
        : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const QString& text, const QString& caption = {}) override;
    void information(const QString& text, const QString& caption = {}) override;
    void error(const QString& text) override;
    void notice(const QString& text, const QString& caption = {}) override;
    std::optional<QString> input(const QString& caption, const QString& prompt,
                                 const QString& initial) override;
    bool question(const QString& caption, const QString& text) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace tonvarra::app
