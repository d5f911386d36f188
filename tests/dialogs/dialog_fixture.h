#pragma once

// A properties dialog over a temporary settings folder with two devices
// ("Pads" enabled, "Keys" not) and the hotkey file Default holding three
// hotkeys, the scripted MIDI driver, the recording keyboard and the answering
// prompts; a plain widget stands in for the main window, and a counting
// handler for its HandleMidiData.

#include "dialogs/properties_dialog.h"
#include "midi/midi_input.h"
#include "store/hotkey_store.h"
#include "support/answering_prompts.h"
#include "support/recording_keyboard.h"
#include "support/scripted_midi_driver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

// Failure messages show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tonvarra::dialogs::test {

// One line of a hotkey file, in its Windows-1252 bytes.
std::string HotkeyLine(const std::string& name, const std::string& event, const std::string& action,
                       const std::string& kind, const std::string& mark);

class DialogFixture : public ::testing::Test {
protected:
    DialogFixture();
    ~DialogFixture() override;

    struct MainHandler {
        std::atomic<int> messages{0};
        void HandleMidiData(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) { ++messages; }
    };

    // What the main window's new and edit commands do.
    void Open(const QString& mode, int index = 0);
    // Plays a message on device 0 and waits until the learn list shows it.
    void Learn(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void Pick(int row);
    // A click into the action field, on the page that shows it.
    void ClickIntoAction();
    // Fills a complete hotkey: name, the learned event 90 3C 64, and the action.
    void FillHotkey(const QString& name, const QString& action);
    [[nodiscard]] std::string FileBytes(const std::string& name) const;
    [[nodiscard]] std::vector<QString> Shown() const { return prompts.texts(); }

    template <class T> T* Find(const char* name) const {
        T* widget = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QListWidget* memlog() const { return Find<QListWidget>("memlog"); }
    QLineEdit* selected() const { return Find<QLineEdit>("selected"); }
    QComboBox* veloset() const { return Find<QComboBox>("veloset"); }
    QLineEdit* name() const { return Find<QLineEdit>("name"); }
    QLineEdit* keystroke() const { return Find<QLineEdit>("keystroke"); }
    QComboBox* keyset() const { return Find<QComboBox>("keyset"); }
    QCheckBox* sCheckBox1() const { return Find<QCheckBox>("sCheckBox1"); }
    QListWidget* devices() const { return Find<QListWidget>("lbxInputDevices"); }
    void Apply() const { Find<QPushButton>("apply")->click(); }
    void Ok() const { Find<QPushButton>("sBitBtn2")->click(); }
    void Cancel() const { Find<QPushButton>("sBitBtn4")->click(); }

    std::filesystem::path folder;
    tonvarra::test::ScriptedMidiDriver* driver = nullptr;
    std::unique_ptr<midi::TMidiInput> midi;
    std::unique_ptr<store::HotkeyStore> store;
    tonvarra::test::RecordingKeyboard keyboard;
    tonvarra::test::AnsweringPrompts prompts;
    MainHandler main;
    QWidget mainWindow;
    std::unique_ptr<TForm1> form;
};

} // namespace tonvarra::dialogs::test
