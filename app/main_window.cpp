#include "app/main_window.h"

#include "app/file_list_model.h"
#include "app/hotkey_list_model.h"
#include "app/splash_window.h"
#include "app/tray.h"
#include "base/error.h"
#include "dialogs/about_box.h"
#include "dialogs/pictures.h"
#include "dialogs/prompts.h"
#include "dialogs/properties_dialog.h"
#include "midi/midi_input.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QPalette>
#include <QShowEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

namespace tonvarra::app {
namespace {

constexpr int kDeviceSyncMs = 1000;

} // namespace

TForm2::TForm2(Services services)
    : services_(std::move(services)) {
    if (!services_.trayAvailable) {
        services_.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    }
    FormCreate();
}

TForm2::~TForm2() {
    FormDestroy();
}

void TForm2::FormCreate() {
    // The matcher holds the last event under its own lock (EventLock), so it
    // exists before its handler can be installed.
    // Both callbacks come from a delivery thread; the posts die with the window.
    matcher_ = std::make_unique<Matcher>(
        services_.keyboard,
        [this](std::string message) {
            QMetaObject::invokeMethod(
                this,
                [this, message = std::move(message)] {
                    services_.prompts.notice(QString::fromStdString(message), QStringLiteral("SendKeys"));
                },
                Qt::QueuedConnection);
        },
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { showIncoming(); }, Qt::QueuedConnection);
        });

    store_ = std::make_unique<store::HotkeyStore>(services_.settingsFolder, services_.midi);
    store_->table().addListener(
        [this](const store::TableChange&) { matcher_->Publish(store_->table().snapshot()); });
    matcher_->Publish(store_->table().snapshot());

    hotkeyModel_ = new HotkeyListModel(store_->table(), this);
    fileModel_ = new FileListModel(store_->filenames(), this);
    buildLayout();
    tray_ = new Tray(dialogs::ProgramIcon(), services_.trayAvailable, this);
    connect(tray_, &Tray::Show1Clicked, this, &TForm2::Show1Click);
    connect(tray_, &Tray::Close2Clicked, this, &TForm2::Close2Click);
    connect(tray_, &Tray::doubleClicked, this, &TForm2::TrayIcon1DblClick);

    connect(hotkeyModel_, &HotkeyListModel::checkClicked, this,
            [this](int row, bool checked) { midinameClickCheck(static_cast<std::size_t>(row), checked); });
    connect(midiname_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!syncingSelection_ && current.isValid()) {
                    midinameClick(static_cast<std::size_t>(current.row()));
                }
            });
    // A click on the row that is already selected shows it again, as after a
    // restore from the tray has reset the info panel.
    connect(midiname_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            midinameClick(static_cast<std::size_t>(index.row()));
        }
    });
    // Every load clears the file list's selection, so any pick of a row, the
    // current file's included, arrives here as a change of the current row.
    connect(filenames_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!syncingSelection_ && current.isValid()) {
                    filenamesClick(static_cast<std::size_t>(current.row()));
                }
            });

    store_->device2() = services_.midi.DeviceNames();
    const midi::ShortMessageHandler handler = matcher_->handler();
    store_->setHandleMidiData(handler);
    services_.midi.SetOnShortMessage(handler);
    store_->loadClick();

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(kDeviceSyncMs);
    connect(Timer1_, &QTimer::timeout, this, &TForm2::Timer1Timer);
    Timer1_->start();
}

void TForm2::FormDestroy() {
    StopDeliveries();
    matcher_->StopAll();
}

void TForm2::setWindows(TForm5* splash, dialogs::TForm1* properties, dialogs::TAboutBox* about) {
    splash_ = splash;
    properties_ = properties;
    about_ = about;
}

void TForm2::StopDeliveries() {
    if (Timer1_ != nullptr) {
        Timer1_->stop();
    }
    services_.midi.SetOnShortMessage({});
    for (std::size_t i = 0; i < services_.midi.DeviceNames().size(); ++i) {
        try {
            services_.midi.Close(static_cast<std::int32_t>(i));
        } catch (const Error&) {
            // Closing waits for the device's deliveries whatever the driver says.
        }
    }
}

std::optional<std::size_t> TForm2::selectedHotkey() const {
    const QModelIndex current = midiname_->selectionModel()->currentIndex();
    if (!current.isValid() || !midiname_->selectionModel()->isSelected(current)) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(current.row());
}

void TForm2::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A spontaneous show is the window manager's restore of a minimized
    // window; FormShow belongs to the change from hidden to shown.
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm2::FormShow() {
    resetInfoLabels();
    setEnabled(false);
    lower();
    if (splash_) {
        splash_->show();
        splash_->raise();
    }
    mdeviceClick();
}

void TForm2::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
    // Enabled again (the splash window or a dialog closed, a restore from the
    // tray): the window comes to the front, also where no window manager
    // would activate it.
    if (event->type() == QEvent::EnabledChange && isEnabled() && isVisible() && !isActiveWindow()) {
        activateWindow();
    }
}

void TForm2::FormActivate() {
    for (const char* name : {"add", "sBitBtn1", "sBitBtn2", "sBitBtn3", "sBitBtn4", "sBitBtn6", "sBitBtn7"}) {
        if (auto* button = findChild<QToolButton*>(QString::fromLatin1(name))) {
            button->setEnabled(true);
        }
    }
}

void TForm2::closeEvent(QCloseEvent* event) {
    event->accept();
    QMainWindow::closeEvent(event);
    // A quit that arrives while the window is already closing (a signal, a
    // logout) finds the work done.
    if (closing_) {
        return;
    }
    closing_ = true;
    FormClose();
    Q_EMIT closed();
}

void TForm2::FormClose() {
    try {
        store_->saveClick();
    } catch (const Error& e) {
        services_.prompts.error(QString::fromStdString(e.what()));
    }
    // Nothing stays pressed once the program has gone.
    matcher_->StopAll();
    tray_->hide();
    for (QWidget* window : {static_cast<QWidget*>(splash_.data()), static_cast<QWidget*>(properties_.data()),
                            static_cast<QWidget*>(about_.data())}) {
        if (window != nullptr) {
            window->hide();
        }
    }
}

void TForm2::Timer1Timer() {
    // The store reports a device that keeps failing only once.
    try {
        store_->syncDevices();
    } catch (const Error& e) {
        reportMidiError(e.what());
    }
}

void TForm2::mdeviceClick() {
    try {
        store_->mdeviceClick();
    } catch (const Error& e) {
        reportMidiError(e.what());
    }
}

void TForm2::reportMidiError(const std::string& text) {
    services_.prompts.notice(QString::fromStdString(text));
}

void TForm2::showIncoming() {
    incomingPanel_->setText(QString::fromStdString(matcher_->TakeIncomingText()));
}

void TForm2::showFiringState(bool enabled) {
    sBitBtn5_->setVisible(enabled);
    sBitBtn8_->setVisible(!enabled);
    devicePanel_->setText(enabled ? QStringLiteral("Midi device: enabled")
                                  : QStringLiteral("Midi device: disabled"));
    QPalette palette = devicePanel_->parentWidget()->palette();
    if (!enabled) {
        palette.setColor(QPalette::WindowText, Qt::red);
    }
    devicePanel_->setPalette(palette);
}

void TForm2::sBitBtn5Click() {
    matcher_->SetActionsEnabled(false);
    // A disabled program must not keep typing: the repeat stops, held keys go up.
    matcher_->StopAll();
    showFiringState(false);
}

void TForm2::sBitBtn8Click() {
    matcher_->SetActionsEnabled(true);
    showFiringState(true);
}

void TForm2::sBitBtn9Click() {
    if (!tray_->available()) {
        // Without a tray the icon could never bring the window back.
        showMinimized();
        return;
    }
    hide();
    tray_->show();
}

void TForm2::restoreFromTray() {
    show();
    if (isMinimized()) {
        showNormal();
    }
    tray_->hide();
    setEnabled(true);
}

// On Linux a hidden window has no taskbar entry and a shown one has, so both
// restores leave the taskbar entry to the window manager.
void TForm2::Show1Click() {
    restoreFromTray();
}

void TForm2::TrayIcon1DblClick() {
    restoreFromTray();
}

void TForm2::bringToFront() {
    if (isHidden()) {
        restoreFromTray();
    } else if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void TForm2::About1Click() {
    if (about_) {
        about_->show();
        about_->raise();
        about_->activateWindow();
    }
}

void TForm2::resetInfoLabels() {
    sLabelFX4_->setText(QStringLiteral("Name: ..."));
    sLabelFX5_->setText(QStringLiteral("Midi event: ..."));
    sLabelFX6_->setText(QStringLiteral("Outgoing action: ..."));
}

} // namespace tonvarra::app
