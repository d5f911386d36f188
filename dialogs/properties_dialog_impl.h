#pragma once

// The inside of the properties dialog, shared by its source files; not part of
// the dialog's contract.

#include "dialogs/learn_list.h"
#include "dialogs/properties_dialog.h"
#include "midi/midi_input.h"
#include "store/hotkey_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>

#include <mutex>
#include <string>

namespace tonvarra::keys {
class KeyboardPort;
}

namespace tonvarra::dialogs {

inline const QString kPlaceholder = QStringLiteral("enter key(s) here...");

inline QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

struct TForm1::Impl {
    TForm1& form;
    midi::TMidiInput& midi;
    store::HotkeyStore& store;
    keys::KeyboardPort& keyboard;
    Prompts& prompts;
    QPointer<QWidget> mainWindow;

    std::mutex LearnLock;
    LearnList* learn = nullptr;
    // The learn entry picked last, as received: "Standart" restores its velocity.
    QString picked;
    QListWidgetItem* tickedJustNow = nullptr;

    QStackedWidget* pages = nullptr;
    QLineEdit* name = nullptr;
    QPlainTextEdit* description = nullptr;
    QLineEdit* selected = nullptr;
    QComboBox* veloset = nullptr;
    QListWidget* lbxInputDevices = nullptr;
    QCheckBox* sall = nullptr;
    QListWidget* memlog = nullptr;
    QComboBox* keyset = nullptr;
    QLineEdit* keystroke = nullptr;
    QCheckBox* sCheckBox1 = nullptr;

    Impl(TForm1& f, midi::TMidiInput& m, store::HotkeyStore& s, keys::KeyboardPort& k, Prompts& p, QWidget* w)
        : form(f)
        , midi(m)
        , store(s)
        , keyboard(k)
        , prompts(p)
        , mainWindow(w) {}

    [[nodiscard]] midi::ShortMessageHandler learnHandler() {
        return midi::ShortMessageHandler::bind<&Impl::LearnMidiData>(this);
    }

    // Delivery thread.
    void LearnMidiData(std::int32_t, std::uint8_t Status, std::uint8_t Data1, std::uint8_t Data2) {
        learn->add(Status, Data1, Data2);
    }

    void installLearn() { midi.SetOnShortMessage(learnHandler()); }

    void build();
    QWidget* buildGeneral();
    QWidget* buildMidiInput();
    QWidget* buildOutput();

    void fillDevices(bool fromMainWindow);
    void FormShow();
    void sListBox1Click();
    void velosetChange(int index);
    void sCheckListBox1Click(QListWidgetItem* item);
    void sCheckBox2Click();
    void keysetChange(int index);
    void keystrokeClick() {
        if (keystroke->text() == kPlaceholder)
            keystroke->clear();
    }
    // OK: closes only when the hotkey passed Apply's checks; Apply has said why not.
    void sBitBtn2Click() {
        if (form.applyClick())
            form.accept();
    }
    void sBitBtn4Click() { form.reject(); }
    void sButton1Click();
    [[nodiscard]] bool checksPass();
    void writeRow(std::size_t row, bool append);
    // The messages that the action would show when it fires; empty for a clean one.
    [[nodiscard]] QStringList sequenceProblems();
    void warnAboutSequence(const QStringList& problems);
    void runSaved(void (store::HotkeyStore::*step)());
};

} // namespace tonvarra::dialogs
