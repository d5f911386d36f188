#include "dialogs/about_box.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace tonvarra::dialogs {
namespace {

int VisibleAboutBoxes() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<TAboutBox*>(w) && w->isVisible() ? 1 : 0;
    return count;
}

TEST(AboutBox, ShowsNameAndVersionWithoutBlockingAndOnlyOnce) {
    QWidget mainWindow;
    mainWindow.show();
    TAboutBox box(&mainWindow);
    for (int i = 0; i < 2; ++i) {
        box.show();
        box.raise();
        box.activateWindow();
    }
    EXPECT_FALSE(box.isModal());
    EXPECT_EQ(VisibleAboutBoxes(), 1);
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("ProductName"))->text(), "Product Name: Tonvarra");
    EXPECT_EQ(box.findChild<QLabel*>(QStringLiteral("Version"))->text(), "Version: 1.3");
    EXPECT_EQ(box.size(), QSize(240, 176));
}

TEST(AboutBox, EnterClosesItAndTheNextAboutShowsItAgain) {
    TAboutBox box;
    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    box.show();
    EXPECT_TRUE(box.isVisible());
}

} // namespace
} // namespace tonvarra::dialogs
