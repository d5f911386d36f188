#include "app/qt_prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace tonvarra::app {
namespace {

QString CaptionOr(const QString& caption) {
    return caption.isEmpty() ? QApplication::applicationDisplayName() : caption;
}

} // namespace

void QtPrompts::message(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, CaptionOr(caption), text, QMessageBox::Ok, parent_);
    box.exec();
}

void QtPrompts::information(const QString& text, const QString& caption) {
    QMessageBox::information(parent_, CaptionOr(caption), text);
}

void QtPrompts::error(const QString& text) {
    QMessageBox::critical(parent_, CaptionOr({}), text);
}

void QtPrompts::notice(const QString& text, const QString& caption) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, CaptionOr(caption), text, QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

std::optional<QString> QtPrompts::input(const QString& caption, const QString& prompt,
                                        const QString& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text;
}

bool QtPrompts::question(const QString& caption, const QString& text) {
    return QMessageBox::question(parent_, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}

} // namespace tonvarra::app
