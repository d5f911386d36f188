#pragma once

// The whole program over a temporary settings folder: the hotkey file Set with
// a single-keystroke hotkey Play (90 3C 7F types "a") and a held one Hold
// (90 3E on key down holds "b"), the device Pads enabled, the scripted MIDI
// driver, the recording keyboard and the answering prompts.

#include "app/main_window.h"
#include "app/program.h"
#include "midi/midi_input.h"
#include "settings_folder.h"
#include "support/answering_prompts.h"
#include "support/recording_keyboard.h"
#include "support/scripted_midi_driver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tonvarra::test {

inline const std::string kPlayLine = HotkeyLine("Play", "90, 3C, 7F", "a", "keyn", "-1");
inline const std::string kHoldLine = HotkeyLine("Hold", "90, 3E, $d", "b", "keystroke", "-1");

// Runs the event loop until `done` holds or `ms` have passed; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture() {
        folder.write("files.cfg", "Set\r\n");
        folder.write("Set.tvr", kPlayLine + kHoldLine);
        folder.write("devices.cfg", "Pads\r\n");
        auto owned = std::make_unique<ScriptedMidiDriver>(std::vector<std::string>{"Pads"});
        driver = owned.get();
        midi = std::make_unique<midi::TMidiInput>(std::move(owned));
    }
    ~ProgramFixture() override {
        program.reset();
        midi.reset();
    }

    void create(bool trayAvailable = false) {
        program = std::make_unique<app::Program>(app::TForm2::Services{
            *midi, keyboard, prompts, folder.path(), [trayAvailable] { return trayAvailable; }});
    }
    // Creates the program and shows the main window, as the message loop does,
    // then enables it and its toolbar as the splash window's close and the
    // first activation do.
    void start(bool trayAvailable = false) {
        create(trayAvailable);
        program->start();
        form().setEnabled(true);
        form().FormActivate();
    }

    [[nodiscard]] app::TForm2& form() const { return program->mainWindow(); }
    template <class T> T* find(const char* name) const {
        T* found = form().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Plays a message on device 0; true when the device was open to take it.
    bool play(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
        return driver->Deliver(0, status, data1, data2);
    }

    SettingsFolder folder;
    ScriptedMidiDriver* driver = nullptr;
    std::unique_ptr<midi::TMidiInput> midi;
    RecordingKeyboard keyboard;
    AnsweringPrompts prompts;
    std::unique_ptr<app::Program> program;
};

} // namespace tonvarra::test
