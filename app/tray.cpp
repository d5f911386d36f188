#include "app/tray.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tonvarra::app {

Tray::Tray(const QIcon& icon, std::function<bool()> available, QObject* parent)
    : QObject(parent)
    , available_(std::move(available))
    , menu_(new QMenu)
    , icon_(new QSystemTrayIcon(icon, this)) {
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* show = menu_->addAction(QStringLiteral("Show window"));
    show->setObjectName(QStringLiteral("Show1"));
    QAction* start = menu_->addAction(QStringLiteral("Start"));
    start->setObjectName(QStringLiteral("Start1"));
    menu_->addSeparator();
    QAction* close = menu_->addAction(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("Close2"));
    connect(show, &QAction::triggered, this, &Tray::Show1Clicked);
    connect(close, &QAction::triggered, this, &Tray::Close2Clicked);

    icon_->setObjectName(QStringLiteral("TrayIcon1"));
    icon_->setToolTip(QStringLiteral("Tonvarra"));
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) {
            Q_EMIT doubleClicked();
        }
    });
}

// The menu has no parent widget, so it is freed here.
Tray::~Tray() {
    delete menu_;
}

void Tray::show() {
    icon_->show();
}
void Tray::hide() {
    icon_->hide();
}
bool Tray::isVisible() const {
    return icon_->isVisible();
}

} // namespace tonvarra::app
