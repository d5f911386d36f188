#pragma once

#include <QPointer>
#include <QWidget>

class QTimer;

namespace tonvarra::app {

// TForm5: the start-up splash window, which fades out after 2.8 seconds and then
// enables the main window.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    // Created hidden; the timers count from here.
    explicit TForm5(QWidget* mainWindow);

    // 0 until a fade-out has begun, then 1.
    [[nodiscard]] int FadeOut() const { return FadeOut_; }
    // The opacity, 255 (opaque) down to 0.
    [[nodiscard]] int AlphaBlendValue() const { return alpha_; }
    [[nodiscard]] bool AlphaBlend() const { return alphaBlend_; }

    void Timer1Timer();
    void Timer3Timer();
    // The fadetimer tick.
    void Timer2Timer();

    // Once the splash window has closed, showing it again leaves it hidden: an
    // invisible window over the main window would still take its mouse clicks.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartFadeOut();
    void FormClose();

    QPointer<QWidget> mainWindow_;
    QTimer* Timer1_ = nullptr;
    QTimer* Timer3_ = nullptr;
    QTimer* fadetimer_ = nullptr;
    int FadeOut_ = 0;
    int alpha_ = 255;
    bool alphaBlend_ = false;
    bool closedOnce_ = false;
};

} // namespace tonvarra::app
