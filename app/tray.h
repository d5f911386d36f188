#pragma once

// Tray: the tray icon TrayIcon1 with its pop-up menu ("Show window", "Start",
// "Close") and the double click that restores the main window.

#include <QObject>
#include <functional>

class QAction;
class QIcon;
class QMenu;
class QSystemTrayIcon;

namespace tonvarra::app {

class Tray : public QObject {
    Q_OBJECT
public:
    // `available` answers whether the desktop has a tray to show the icon in.
    Tray(const QIcon& icon, std::function<bool()> available, QObject* parent = nullptr);
    ~Tray() override;

    [[nodiscard]] bool available() const { return available_(); }
    void show();
    void hide();
    [[nodiscard]] bool isVisible() const;
    [[nodiscard]] QMenu* menu() const { return menu_; }

Q_SIGNALS:
    void Show1Clicked();
    void Close2Clicked();
    void doubleClicked();

private:
    std::function<bool()> available_;
    QMenu* menu_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace tonvarra::app
