#include "app/splash_window.h"

#include "dialogs/pictures.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tonvarra::app {

namespace {

QTimer* MakeTimer(QWidget* owner, const char* name, int interval) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    return timer;
}

} // namespace

TForm5::TForm5(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
    , mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("startup"));
    setFixedSize(335, 244);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(
        dialogs::SplashPicture().scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);

    Timer1_ = MakeTimer(this, "Timer1", 4000);
    Timer3_ = MakeTimer(this, "Timer3", 2800);
    fadetimer_ = MakeTimer(this, "fadetimer", 5);
    connect(Timer1_, &QTimer::timeout, this, &TForm5::Timer1Timer);
    connect(Timer3_, &QTimer::timeout, this, &TForm5::Timer3Timer);
    connect(fadetimer_, &QTimer::timeout, this, &TForm5::Timer2Timer);
    Timer1_->start();
    Timer3_->start();
    fadetimer_->start();
}

void TForm5::StartFadeOut() {
    alphaBlend_ = true;
    alpha_ = 255;
    setWindowOpacity(1.0);
    FadeOut_ = 1;
    fadetimer_->start();
}

void TForm5::Timer1Timer() {
    hide();
    if (mainWindow_) {
        mainWindow_->show();
        mainWindow_->raise();
        mainWindow_->setEnabled(true);
    }
    StartFadeOut();
}

void TForm5::Timer3Timer() {
    StartFadeOut();
}

void TForm5::Timer2Timer() {
    if (FadeOut_ == 0) {
        fadetimer_->stop();
        return;
    }
    if (alpha_ == 0) {
        fadetimer_->stop();
        close();
        return;
    }
    alpha_ = alpha_ <= 5 ? 0 : alpha_ - 5;
    setWindowOpacity(alpha_ / 255.0);
}

// FormCloseQuery: a close before the fade-out fades the window out first.
void TForm5::closeEvent(QCloseEvent* event) {
    if (FadeOut_ == 0) {
        StartFadeOut();
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}

void TForm5::FormClose() {
    Timer1_->stop();
    Timer3_->stop();
    closedOnce_ = true;
    if (mainWindow_)
        mainWindow_->setEnabled(true);
}

void TForm5::setVisible(bool visible) {
    if (visible && closedOnce_)
        return;
    QWidget::setVisible(visible);
}

} // namespace tonvarra::app
