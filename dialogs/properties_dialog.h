#pragma once

// TForm1: the hotkey properties dialog, where a hotkey is taught by playing it.
// This header is the contract that the main window uses; the dialog's owner adds
// the controls and handlers.

#include <QDialog>
#include <QString>

namespace tonvarra::keys {
class KeyboardPort;
}
namespace tonvarra::midi {
class TMidiInput;
}
namespace tonvarra::store {
class HotkeyStore;
}

namespace tonvarra::dialogs {

class Prompts;

class TForm1 : public QDialog {
    Q_OBJECT
public:
    // Installs LearnMidiData at creation. mainWindow is enabled again whenever
    // the dialog closes; the main window's handler goes back into the slot then.
    TForm1(midi::TMidiInput& midi, store::HotkeyStore& store, keys::KeyboardPort& keyboard, Prompts& prompts,
           QWidget* mainWindow);
    ~TForm1() override;

    // Set by the main window's hotkey commands before they show the dialog.
    QString dialogmode;
    int editindex = 0;

    // "Apply": checks and writes the hotkey, then saves in every case. True when
    // the hotkey passed the checks (so OK may close the dialog).
    bool applyClick();
    // Every closing (OK, Cancel, Escape, the close box) ends here.
    void done(int result) override;

Q_SIGNALS:
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Impl;
    Impl* impl_;
};

} // namespace tonvarra::dialogs
