// The main window: start-up order of the handler slot, its controls and menus,
// firing on and off, the tray, and closing.

#include "app/matcher.h"
#include "app/splash_window.h"
#include "app/tray.h"
#include "dialogs/about_box.h"
#include "program_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace tonvarra::test {
namespace {

using app::TForm2;

class MainWindow : public ProgramFixture {
protected:
    [[nodiscard]] QString label(const char* name) const { return find<QLabel>(name)->text(); }
    [[nodiscard]] bool slotIsMatcher() const { return midi->OnShortMessage() == form().matcher().handler(); }
};

TEST_F(MainWindow, TheFirstShowGivesTheHandlerSlotBackSoPlayedMessagesFire) {
    create();
    // The dialogs created after the main window took the slot.
    EXPECT_FALSE(slotIsMatcher());
    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_TRUE(keyboard.Events().empty());

    program->start();
    EXPECT_TRUE(slotIsMatcher());
    EXPECT_FALSE(form().isEnabled()) << "behind the splash window until it closes";
    EXPECT_TRUE(program->splash().isVisible());

    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_EQ(keyboard.Trace(), "+A -A");
    EXPECT_TRUE(WaitFor([&] { return label("incomingPanel") == "Incoming: 90, 3C, 7F"; }))
        << label("incomingPanel").toStdString();
}

TEST_F(MainWindow, ActivationEnablesTheToolbarButOnlyTheLeftGroupStartsDisabled) {
    create();
    const char* left[] = {"sBitBtn2", "sBitBtn3", "sBitBtn7", "add", "sBitBtn6", "sBitBtn1", "sBitBtn4"};
    for (const char* name : left) {
        EXPECT_FALSE(find<QToolButton>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(find<QToolButton>("sBitBtn9")->isEnabled());
    EXPECT_TRUE(find<QToolButton>("sBitBtn5")->isEnabled());
    form().FormActivate();
    for (const char* name : left) {
        EXPECT_TRUE(find<QToolButton>(name)->isEnabled()) << name;
    }
}

TEST_F(MainWindow, HasTheCaptionSizeToolbarOrderAndPanels) {
    start();
    EXPECT_EQ(form().windowTitle(), "Tonvarra v.1.3");
    EXPECT_EQ(form().size(), QSize(1056, 607));
    // Left to right, with sBitBtn5 and sBitBtn8 sharing one place.
    const char* order[] = {"sBitBtn2", "sBitBtn3", "sBitBtn7", "add",     "sBitBtn6",
                           "sBitBtn1", "sBitBtn4", "sBitBtn9", "sBitBtn5"};
    int x = -1;
    for (const char* name : order) {
        auto* button = find<QToolButton>(name);
        EXPECT_EQ(button->size(), QSize(40, 40)) << name;
        EXPECT_GT(button->x(), x) << name;
        x = button->x();
    }
    EXPECT_TRUE(find<QToolButton>("sBitBtn8")->isHidden());
    EXPECT_EQ(label("incomingPanel"), "Incoming:");
    EXPECT_EQ(label("devicePanel"), "Midi device: enabled");
    EXPECT_EQ(label("sLabelFX4"), "Name: ...");
    EXPECT_EQ(label("sLabelFX5"), "Midi event: ...");
    EXPECT_EQ(label("sLabelFX6"), "Outgoing action: ...");
}

TEST_F(MainWindow, MenusHoldEveryItemInOrderWithTheirSeparators) {
    create();
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"File", {"New file", "Delete file", "Minimize to tray", "-", "Close"}},
        {"Hotkey", {"New hotkey", "Delete hotkey", "Edit hotkey", "-", "New hotkey (wizard)"}},
        {"Tools", {"Stop all"}},
        {"Help", {"About", "Help"}},
    };
    const QList<QAction*> menus = form().menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[static_cast<qsizetype>(m)]->text(), expected[m].first);
        QStringList items;
        for (QAction* item : menus[static_cast<qsizetype>(m)]->menu()->actions()) {
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        EXPECT_EQ(items, expected[m].second) << expected[m].first.toStdString();
    }
}

TEST_F(MainWindow, AboutShowsTheOneAboutBoxWithoutBlocking) {
    start();
    find<QAction>("About1")->trigger();
    find<QAction>("About1")->trigger();
    EXPECT_TRUE(program->about().isVisible());
    EXPECT_FALSE(program->about().isModal());
    int boxes = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        boxes += qobject_cast<dialogs::TAboutBox*>(widget) != nullptr ? 1 : 0;
    }
    EXPECT_EQ(boxes, 1);
}

TEST_F(MainWindow, DisableBlocksFiringStopsTheRepeatAndEnableRestoresIt) {
    start();
    ASSERT_TRUE(play(0x90, 0x3E, 0x40));
    ASSERT_TRUE(form().matcher().Repeating());
    const QColor normal = find<QLabel>("devicePanel")->palette().color(QPalette::WindowText);

    find<QToolButton>("sBitBtn5")->click();
    EXPECT_FALSE(form().matcher().Repeating());
    EXPECT_GE(keyboard.ReleaseAllCalls(), 1);
    EXPECT_TRUE(keyboard.KeysDown().empty());
    EXPECT_TRUE(find<QToolButton>("sBitBtn5")->isHidden());
    EXPECT_FALSE(find<QToolButton>("sBitBtn8")->isHidden());
    EXPECT_EQ(label("devicePanel"), "Midi device: disabled");
    EXPECT_EQ(find<QLabel>("devicePanel")->palette().color(QPalette::WindowText), QColor(Qt::red));

    keyboard.Clear();
    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_TRUE(keyboard.Events().empty());
    EXPECT_TRUE(WaitFor([&] { return label("incomingPanel") == "Incoming: 90, 3C, 7F"; }))
        << "messages are still shown while firing is off";

    find<QToolButton>("sBitBtn8")->click();
    EXPECT_EQ(label("devicePanel"), "Midi device: enabled");
    EXPECT_EQ(find<QLabel>("devicePanel")->palette().color(QPalette::WindowText), normal);
    EXPECT_FALSE(find<QToolButton>("sBitBtn5")->isHidden());
    EXPECT_TRUE(find<QToolButton>("sBitBtn8")->isHidden());
    ASSERT_TRUE(play(0x90, 0x3C, 0x7F));
    EXPECT_EQ(keyboard.Trace(), "+A -A");
}

TEST_F(MainWindow, StopAllDisablesAndStopsTheRepeatAndChangesNothingWhenDisabled) {
    start();
    ASSERT_TRUE(play(0x90, 0x3E, 0x40));
    find<QAction>("Stopall1")->trigger();
    EXPECT_FALSE(form().matcher().Repeating());
    EXPECT_FALSE(form().matcher().ActionsEnabled());
    EXPECT_EQ(label("devicePanel"), "Midi device: disabled");

    find<QAction>("Stopall1")->trigger();
    EXPECT_FALSE(form().matcher().ActionsEnabled());
    EXPECT_TRUE(find<QToolButton>("sBitBtn5")->isHidden());
    EXPECT_FALSE(find<QToolButton>("sBitBtn8")->isHidden());
}

TEST_F(MainWindow, RestoreFromTheTrayResetsTheInfoLabelsAndTakesTheSlotBack) {
    const std::pair<const char*, void (TForm2::*)()> restores[] = {
        {"Show window", &TForm2::Show1Click},
        {"double click", &TForm2::TrayIcon1DblClick},
    };
    for (const auto& [how, restore] : restores) {
        SCOPED_TRACE(how);
        start(/*trayAvailable=*/true);
        form().midinameClick(0);
        ASSERT_EQ(label("sLabelFX4"), "Name: Play");

        find<QAction>("Minimizetotray1")->trigger();
        EXPECT_TRUE(form().isHidden());
        EXPECT_TRUE(form().tray().isVisible());
        midi->SetOnShortMessage({}); // as a dialog would have taken it

        (form().*restore)();
        EXPECT_TRUE(form().isVisible());
        EXPECT_TRUE(form().isEnabled());
        EXPECT_FALSE(form().tray().isVisible());
        EXPECT_TRUE(slotIsMatcher());
        EXPECT_EQ(label("sLabelFX4"), "Name: ...");
        EXPECT_EQ(label("sLabelFX5"), "Midi event: ...");
        EXPECT_EQ(label("sLabelFX6"), "Outgoing action: ...");
        program.reset();
    }
}

// The hotkey that stayed selected through a restore is shown again by a click on it.
TEST_F(MainWindow, AClickOnTheSelectedHotkeyAfterARestoreFillsTheInfoPanel) {
    start(/*trayAvailable=*/true);
    auto* midiname = find<QListView>("midiname");
    const QPoint hold = midiname->visualRect(midiname->model()->index(1, 0)).center();
    QTest::mouseClick(midiname->viewport(), Qt::LeftButton, {}, hold);
    ASSERT_EQ(label("sLabelFX4"), "Name: Hold");

    form().sBitBtn9Click();
    form().Show1Click();
    ASSERT_EQ(label("sLabelFX4"), "Name: ...");
    ASSERT_EQ(form().selectedHotkey(), 1u);
    QTest::mouseClick(midiname->viewport(), Qt::LeftButton, {}, hold);
    EXPECT_EQ(label("sLabelFX4"), "Name: Hold");
    EXPECT_EQ(label("sLabelFX5"), "Midi event: 90, 3E, $d");
    EXPECT_EQ(label("sLabelFX6"), "Outgoing action: b");
}

TEST_F(MainWindow, WithoutASystemTrayMinimizeToTrayMinimizesInstead) {
    start(/*trayAvailable=*/false);
    find<QToolButton>("sBitBtn9")->click();
    EXPECT_FALSE(form().isHidden()) << "a hidden window could never come back";
    EXPECT_TRUE(form().windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(form().tray().isVisible());
}

TEST_F(MainWindow, EveryWayOfClosingSavesAndReleasesHeldKeys) {
    const std::pair<const char*, std::function<void(TForm2&)>> ways[] = {
        {"toolbar", [](TForm2& f) { f.sBitBtn4Click(); }},
        {"File menu", [](TForm2& f) { f.findChild<QAction*>("Close1")->trigger(); }},
        {"tray menu", [](TForm2& f) { f.tray().menu()->findChild<QAction*>("Close2")->trigger(); }},
        {"close box", [](TForm2& f) { f.close(); }},
    };
    for (const auto& [how, close] : ways) {
        SCOPED_TRACE(how);
        folder.write("Set.tvr", kPlayLine + kHoldLine);
        start();
        QSignalSpy closed(&form(), &TForm2::closed);
        ASSERT_TRUE(play(0x90, 0x3E, 0x40));
        // A change in memory that nothing has saved yet.
        form().store().table().setEnabled(0, false);
        keyboard.Clear();

        close(form());
        EXPECT_EQ(folder.read("Set.tvr"), HotkeyLine("Play", "90, 3C, 7F", "a", "keyn", "0") + kHoldLine);
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(form().isVisible());
        EXPECT_FALSE(form().matcher().Repeating());
        EXPECT_GE(keyboard.ReleaseAllCalls(), 1);
        program.reset();
    }
}

TEST_F(MainWindow, ShutdownStopsDeliveriesBeforeTheWindowsGo) {
    start();
    ASSERT_TRUE(driver->IsOpen(0));
    program.reset();
    EXPECT_FALSE(driver->IsOpen(0));
    EXPECT_FALSE(midi->OnShortMessage());
    EXPECT_FALSE(play(0x90, 0x3C, 0x7F));
}

} // namespace
} // namespace tonvarra::test
