#pragma once

// TForm2: the main window, with the hotkey files, the hotkeys of the current
// file, the info panel, the toolbar, the status bar and the tray icon. It owns
// the settings state (HotkeyStore) and the matcher, and connects the controls
// to them; the logic itself lives in the core.

#include "app/matcher.h"
#include "store/file_commands.h"
#include "store/hotkey_store.h"

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QListView;
class QTimer;
class QToolButton;

namespace tonvarra::dialogs {
class Prompts;
class TAboutBox;
class TForm1;
} // namespace tonvarra::dialogs
namespace tonvarra::keys {
class KeyboardPort;
}
namespace tonvarra::midi {
class TMidiInput;
}

namespace tonvarra::app {

class FileListModel;
class HotkeyListModel;
class TForm5;
class Tray;

class TForm2 : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        midi::TMidiInput& midi;
        keys::KeyboardPort& keyboard;
        dialogs::Prompts& prompts;
        std::filesystem::path settingsFolder;
        // Whether the desktop has a system tray; empty asks Qt.
        std::function<bool()> trayAvailable;
    };

    // Runs FormCreate: the matcher, the device names, the handler, the first load.
    explicit TForm2(Services services);
    // Runs FormDestroy.
    ~TForm2() override;

    // The windows created after this one, which its commands show.
    void setWindows(TForm5* splash, dialogs::TForm1* properties, dialogs::TAboutBox* about);

    [[nodiscard]] store::HotkeyStore& store() { return *store_; }
    [[nodiscard]] Matcher& matcher() { return *matcher_; }
    [[nodiscard]] Tray& tray() { return *tray_; }
    // The selected row of the hotkey list `midiname`, if any.
    [[nodiscard]] std::optional<std::size_t> selectedHotkey() const;

    // Empties the handler slot and closes every device, so that no delivery
    // reaches what the windows are about to free.
    void StopDeliveries();
    // A second start of the program asked for this window.
    void bringToFront();

    // The handlers. Menu items run the button handlers directly, so they work
    // while a button is disabled or hidden.
    void FormShow();
    void FormActivate();
    void FormClose();
    void Timer1Timer();
    void mdeviceClick();
    void sBitBtn5Click();
    void sBitBtn8Click();
    void Stopall1Click() { sBitBtn5Click(); }
    void sBitBtn9Click();
    void Minimizetotray1Click() { sBitBtn9Click(); }
    void Show1Click();
    void TrayIcon1DblClick();
    void Close1Click() { close(); }
    void Close2Click() { close(); }
    void sBitBtn4Click() { close(); }
    void About1Click();

    void sBitBtn2Click();
    void sBitBtn3Click();
    void addClick();
    void sBitBtn6Click();
    void sBitBtn1Click();
    void Createnewfile1Click() { sBitBtn2Click(); }
    void Deletefile1Click() { sBitBtn3Click(); }
    void NewHotkey1Click() { addClick(); }
    void DeleteHotkey1Click() { sBitBtn6Click(); }
    void Edithotkey1Click() { sBitBtn1Click(); }
    void filenamesClick(std::size_t row);
    void midinameClick(std::size_t row);
    void midinameClickCheck(std::size_t row, bool checked);

Q_SIGNALS:
    // The window has closed (after its save); the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void buildLayout();
    void buildMenus();
    void report(const store::CommandResult& result);
    void reportMidiError(const std::string& text);
    void showIncoming();
    void showFiringState(bool enabled);
    void resetInfoLabels();
    void clearSelections();
    void restoreFromTray();
    void openPropertiesDialog(const QString& mode);

    Services services_;
    std::unique_ptr<Matcher> matcher_;
    std::unique_ptr<store::HotkeyStore> store_;

    QPointer<TForm5> splash_;
    QPointer<dialogs::TForm1> properties_;
    QPointer<dialogs::TAboutBox> about_;

    Tray* tray_ = nullptr;
    QTimer* Timer1_ = nullptr;
    HotkeyListModel* hotkeyModel_ = nullptr;
    FileListModel* fileModel_ = nullptr;
    QListView* filenames_ = nullptr;
    QListView* midiname_ = nullptr;
    QLabel* sLabelFX4_ = nullptr;
    QLabel* sLabelFX5_ = nullptr;
    QLabel* sLabelFX6_ = nullptr;
    QLabel* incomingPanel_ = nullptr;
    QLabel* devicePanel_ = nullptr;
    QToolButton* sBitBtn5_ = nullptr;
    QToolButton* sBitBtn8_ = nullptr;

    bool syncingSelection_ = false;
    bool closing_ = false;
};

} // namespace tonvarra::app
