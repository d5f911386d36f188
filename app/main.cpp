// Tonvarra's start: one instance per settings folder, the MIDI driver and the
// keyboard port of this system, the five windows, the message loop, and an end
// that saves and releases every key however the program is asked to quit.

#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_prompts.h"
#include "app/quit_signals.h"
#include "app/single_instance.h"
#include "base/error.h"
#include "keys/system_keyboard.h"
#include "midi/midi_input.h"
#include "midi/rtmidi_driver.h"
#include "store/hotkey_store.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <exception>

namespace {

// An exception that leaves an event handler is shown like the system's default
// error report instead of ending the program.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    tonvarra::dialogs::Prompts* prompts = nullptr;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            if (prompts != nullptr) {
                prompts->error(QString::fromStdString(e.what()));
            }
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    using namespace tonvarra;
    Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvarra"));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));
    QApplication::setQuitOnLastWindowClosed(false);

    app::QtPrompts prompts;
    std::filesystem::path settingsFolder;
    try {
        settingsFolder = store::SettingsFolderBesideExecutable();
    } catch (const Error& e) {
        prompts.error(QString::fromStdString(e.what()));
        return 1;
    }
    app::SingleInstance instance(settingsFolder);
    if (!instance.claim()) {
        return 0;
    }

    midi::SetMidiDriverFactory(midi::MakeRtMidiDriver);
    std::unique_ptr<keys::KeyboardPort> keyboard = keys::MakeSystemKeyboardPort([&prompts](std::string text) {
        QMetaObject::invokeMethod(
            qApp,
            [&prompts, text = std::move(text)] {
                prompts.notice(QString::fromStdString(text), QStringLiteral("SendKeys"));
            },
            Qt::QueuedConnection);
    });

    int result = 0;
    try {
        app::Program program({midi::SharedMidiInput(), *keyboard, prompts, settingsFolder, {}});
        app::TForm2& form2 = program.mainWindow();
        prompts.setParent(&form2);
        application.prompts = &prompts;

        QObject::connect(&instance, &app::SingleInstance::activationRequested, &form2,
                         &app::TForm2::bringToFront);
        // The window has saved and let go of every key by now. exit() ends every
        // event loop at once, also one of a box that is still open; quit() would
        // first ask each window to close and could be refused.
        QObject::connect(&form2, &app::TForm2::closed, &application, [] { QCoreApplication::exit(0); });
        app::QuitSignals quitSignals;
        QObject::connect(&quitSignals, &app::QuitSignals::received, &form2, [&form2] { form2.close(); });
        // A logout closes the window the normal way, which saves.
        QObject::connect(&application, &QGuiApplication::commitDataRequest, &form2,
                         [&form2](QSessionManager&) { form2.close(); });

        // Any other end of the loop still closes the window first.
        QObject::connect(&application, &QCoreApplication::aboutToQuit, &form2, [&form2] { form2.close(); });

        program.start();
        result = QApplication::exec();
        application.prompts = nullptr;
    } catch (const std::exception& e) {
        prompts.error(QString::fromStdString(e.what()));
        result = 1;
    }
    keyboard.reset();
    midi::ResetSharedMidiInput();
    return result;
}
