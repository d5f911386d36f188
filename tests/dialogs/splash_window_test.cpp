#include "app/splash_window.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace tonvarra::app {
namespace {

class SplashWindow : public ::testing::Test {
protected:
    SplashWindow() {
        mainWindow.setEnabled(false);
        splash.show();
    }

    // Ticks the fade timer by hand until the window closes; the number of ticks that lowered the opacity.
    int FadeToClose() {
        int steps = 0;
        for (int guard = 0; guard < 1000 && splash.isVisible(); ++guard) {
            const int before = splash.AlphaBlendValue();
            splash.Timer2Timer();
            if (splash.AlphaBlendValue() < before)
                ++steps;
        }
        return steps;
    }

    QWidget mainWindow;
    TForm5 splash{&mainWindow};
};

TEST_F(SplashWindow, FadeTakes51StepsThenOneTickClosesAndEnablesTheMainWindow) {
    splash.Timer3Timer();
    EXPECT_EQ(splash.FadeOut(), 1);
    EXPECT_TRUE(splash.AlphaBlend());

    for (int i = 0; i < 51; ++i)
        splash.Timer2Timer();
    EXPECT_EQ(splash.AlphaBlendValue(), 0);
    EXPECT_TRUE(splash.isVisible()) << "the close comes one tick after the opacity reached 0";
    EXPECT_FALSE(mainWindow.isEnabled());

    splash.Timer2Timer();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(splash.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    EXPECT_FALSE(splash.findChild<QTimer*>(QStringLiteral("Timer3"))->isActive());
    EXPECT_FALSE(splash.findChild<QTimer*>(QStringLiteral("fadetimer"))->isActive());
}

TEST_F(SplashWindow, CloseRequestBeforeTheFadeStartsTheFadeInstead) {
    EXPECT_FALSE(splash.close());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.FadeOut(), 1);
    EXPECT_EQ(splash.AlphaBlendValue(), 255);

    EXPECT_EQ(FadeToClose(), 51);
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(SplashWindow, FadeTickBeforeAnyFadeOnlyStopsTheFadeTimer) {
    splash.Timer2Timer();
    EXPECT_FALSE(splash.findChild<QTimer*>(QStringLiteral("fadetimer"))->isActive());
    EXPECT_EQ(splash.AlphaBlendValue(), 255);
    EXPECT_TRUE(splash.isVisible());
}

TEST_F(SplashWindow, Timer1ShowsAndEnablesTheMainWindowAndFadesTheHiddenSplashFromTheTop) {
    splash.Timer3Timer();
    for (int i = 0; i < 10; ++i)
        splash.Timer2Timer();
    splash.Timer1Timer();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(splash.AlphaBlendValue(), 255);
    EXPECT_TRUE(splash.findChild<QTimer*>(QStringLiteral("fadetimer"))->isActive());
}

TEST_F(SplashWindow, ShowingItAgainAfterItClosedLeavesItInvisibleWithTimersOff) {
    splash.Timer3Timer();
    FadeToClose();
    mainWindow.setEnabled(false);

    splash.show();
    splash.raise();
    EXPECT_FALSE(splash.isVisible());
    for (const char* name : {"Timer1", "Timer3", "fadetimer"})
        EXPECT_FALSE(splash.findChild<QTimer*>(QString::fromLatin1(name))->isActive()) << name;
}

} // namespace
} // namespace tonvarra::app
