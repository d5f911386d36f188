#include "dialog_fixture.h"

#include "dialogs/learn_list.h"

#include <QApplication>
#include <QTest>

#include <fstream>
#include <functional>

namespace tonvarra::dialogs::test {
namespace {

using PropertiesLearning = DialogFixture;
using PropertiesVelocity = DialogFixture;
using PropertiesApply = DialogFixture;
using PropertiesClose = DialogFixture;

const std::string kDefaultFile = HotkeyLine("Play", "90, 3C, 7F", "{F5}", "keyn", "-1") +
                                 HotkeyLine("Mute", "90, 3E,  *", "^m", "keystroker", "0") +
                                 HotkeyLine("Hold", "B0, 07, $d", "x", "keystroke", "-1");

TEST_F(PropertiesLearning, PlayedMessagesAppearNewestFirstWithRepeatsKept) {
    Open("add");
    Learn(0x90, 0x3C, 0x64);
    Learn(0x90, 0x3C, 0x64);
    Learn(0x80, 0x0A, 0x00);
    ASSERT_EQ(memlog()->count(), 3);
    EXPECT_EQ(memlog()->item(0)->text(), "Status: 80, Key: 0A, Velocity: 00");
    EXPECT_EQ(memlog()->item(1)->text(), "Status: 90, Key: 3C, Velocity: 64");
    EXPECT_EQ(memlog()->item(2)->text(), "Status: 90, Key: 3C, Velocity: 64");
    EXPECT_EQ(main.messages, 0) << "no hotkey fires while the dialog learns";
}

TEST_F(PropertiesLearning, ActiveSensingNeverAppearsButTimingClockDoes) {
    Open("add");
    ASSERT_TRUE(driver->Deliver(0, 0xFE));
    Learn(0xF8, 0x00, 0x00);
    ASSERT_EQ(memlog()->count(), 1);
    EXPECT_EQ(memlog()->item(0)->text(), "Status: F8, Key: 00, Velocity: 00");
    Pick(0);
    EXPECT_EQ(selected()->text(), "F8, 00, 00");
}

TEST_F(PropertiesLearning, KeepsTheNewest1000EntriesWithBothTextsInStep) {
    Open("add");
    // Message i has key i % 128 and velocity i / 128. The first burst reaches the list in one
    // piece; the second overflows both the waiting entries and the list.
    auto play = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            ASSERT_TRUE(driver->Deliver(0, 0x90, static_cast<std::uint8_t>(i & 0x7F),
                                        static_cast<std::uint8_t>(i >> 7)));
        const QString newest = LearnDisplayLine(0x90, static_cast<std::uint8_t>((to - 1) & 0x7F),
                                                static_cast<std::uint8_t>((to - 1) >> 7));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return memlog()->item(0) && memlog()->item(0)->text() == newest; }, 5000));
    };
    play(0, 600);
    play(600, LearnList::kMaxEntries + 605);
    QApplication::processEvents();
    ASSERT_EQ(memlog()->count(), LearnList::kMaxEntries);
    const int last = LearnList::kMaxEntries - 1;
    EXPECT_EQ(memlog()->item(last)->text(), "Status: 90, Key: 5D, Velocity: 04"); // message 605
    Pick(last);
    EXPECT_EQ(selected()->text(), "90, 5D, 04");
}

TEST_F(PropertiesVelocity, PickingAnEntryAppliesTheChosenMode) {
    struct Case {
        int mode;
        const char* shown;
    };
    const Case cases[] = {
        {-1, "90, 3C, 64"}, {0, "90, 3C, 64"}, {1, "90, 3C,  *"}, {2, "90, 3C, $d"}, {3, "90, 3C, 00"}};
    Open("add");
    Learn(0x90, 0x3C, 0x64);
    for (const Case& c : cases) {
        selected()->clear(); // so that choosing the mode itself rewrites nothing
        veloset()->setCurrentIndex(c.mode);
        Pick(0);
        EXPECT_EQ(selected()->text(), c.shown) << "mode " << c.mode;
    }
}

TEST_F(PropertiesVelocity, ChangingTheModeRewritesTheShownEventAndStandartRestoresThePickedVelocity) {
    Open("add");
    veloset()->setCurrentIndex(2);
    EXPECT_EQ(selected()->text(), "") << "a mode chosen with no event changes nothing";

    veloset()->setCurrentIndex(-1);
    Learn(0x90, 0x3C, 0x64);
    Pick(0);
    const std::pair<int, const char*> steps[] = {
        {2, "90, 3C, $d"}, {1, "90, 3C,  *"}, {3, "90, 3C, 00"}, {0, "90, 3C, 64"}, {1, "90, 3C,  *"}};
    for (const auto& [mode, shown] : steps) {
        veloset()->setCurrentIndex(mode);
        EXPECT_EQ(selected()->text(), shown) << "mode " << mode;
    }
}

TEST_F(PropertiesVelocity, StandartLeavesALoadedWildcardAlone) {
    Open("edit", 1); // Mute, "90, 3E,  *"
    veloset()->setCurrentIndex(0);
    EXPECT_EQ(selected()->text(), "90, 3E,  *");
}

TEST_F(PropertiesApply, ChecksRunInOrderAndARefusalWritesNothingButStillSaves) {
    struct Case {
        QString name;
        bool event;
        bool clickIntoAction;
        std::vector<QString> shown;
    };
    const Case cases[] = {
        {"", false, false, {"Please enter a name"}},
        {"", true, true, {"Please enter a name"}},
        {"Go", false, false, {"Please select an ingoing midi-event"}},
        {"Go", true, false, {"Please select an outgoing action"}},
    };
    for (const Case& c : cases) {
        // A save that runs rewrites the damaged file from the table.
        const std::string damaged = "damaged";
        std::ofstream(folder / "Default.tvr", std::ios::binary) << damaged;
        prompts.clear();
        Open("add");
        name()->setText(c.name);
        if (c.event) {
            Learn(0x90, 0x3C, 0x64);
            Pick(0);
        }
        if (c.clickIntoAction)
            ClickIntoAction();
        Ok();
        EXPECT_EQ(Shown(), c.shown) << c.name.toStdString();
        EXPECT_EQ(store->table().size(), 3u);
        EXPECT_EQ(FileBytes("Default.tvr"), kDefaultFile) << "the save runs after a refused check";
        EXPECT_TRUE(form->isVisible()) << "OK after a refused check leaves the dialog open";
        EXPECT_FALSE(mainWindow.isEnabled());
        form->hide();
    }
}

TEST_F(PropertiesApply, AnEmptyActionPassesOnceTheFieldWasClicked) {
    Open("add");
    name()->setText("Quiet");
    Learn(0x90, 0x3C, 0x64);
    Pick(0);
    ClickIntoAction();
    EXPECT_EQ(keystroke()->text(), "");
    Apply();
    EXPECT_TRUE(Shown().empty());
    ASSERT_EQ(store->table().size(), 4u);
    EXPECT_EQ(store->table().row(3).outgoing, "");
}

TEST_F(PropertiesApply, ApplyApplyOkInAddModeMakesExactlyOneHotkey) {
    Open("add");
    FillHotkey("Go", "{F5}");
    Apply();
    EXPECT_EQ(form->dialogmode, "addapply");
    EXPECT_EQ(midi->OnShortMessage(), store->handleMidiData()) << "the writing Apply gives the slot back";
    keystroke()->setText("{F6}");
    Apply();
    Ok();
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(FileBytes("Default.tvr"), kDefaultFile + HotkeyLine("Go", "90, 3C, 64", "{F6}", "keyn", "-1"));
    EXPECT_EQ(FileBytes("devices.cfg"), "Pads\r\n") << "untouched device ticks stay as they were";
}

TEST_F(PropertiesApply, EditWritesOnlyRowEditindexAndEnablesIt) {
    Open("edit", 1);
    EXPECT_EQ(name()->text(), "Mute");
    EXPECT_EQ(selected()->text(), "90, 3E,  *");
    EXPECT_EQ(keystroke()->text(), "^m");
    EXPECT_TRUE(sCheckBox1()->isChecked());
    name()->setText("Unmute");
    Ok();
    EXPECT_EQ(FileBytes("Default.tvr"), HotkeyLine("Play", "90, 3C, 7F", "{F5}", "keyn", "-1") +
                                            HotkeyLine("Unmute", "90, 3E,  *", "^m", "keystroker", "-1") +
                                            HotkeyLine("Hold", "B0, 07, $d", "x", "keystroke", "-1"));
    EXPECT_TRUE(store->table().row(1).enabled);
}

TEST_F(PropertiesApply, EditingAHoldHotkeyAfterAHoldWithReleaseShowsTheBoxUnticked) {
    Open("edit", 1);
    Cancel();
    Open("edit", 2);
    EXPECT_EQ(keyset()->currentIndex(), 1);
    EXPECT_FALSE(sCheckBox1()->isChecked());
    EXPECT_TRUE(sCheckBox1()->isEnabled());
    Apply();
    EXPECT_EQ(store->table().row(2).outgoingset, "keystroke");
}

TEST_F(PropertiesApply, OutputModeDecidesTheStoredActionKind) {
    struct Case {
        int keyset;
        bool release;
        const char* kind;
    };
    const Case cases[] = {
        {0, false, "keyn"}, {0, true, "keyn"}, {1, false, "keystroke"}, {1, true, "keystroker"}};
    for (const Case& c : cases) {
        Open("edit", 0);
        keyset()->setCurrentIndex(c.keyset);
        sCheckBox1()->setChecked(c.release);
        Apply();
        EXPECT_EQ(store->table().row(0).outgoingset, c.kind) << c.keyset << " " << c.release;
        Cancel();
    }
    Open("add");
    EXPECT_EQ(keyset()->currentIndex(), 0);
    EXPECT_FALSE(sCheckBox1()->isEnabled());
    EXPECT_FALSE(keyset()->isEditable()) << "typed text could leave a row without an action kind";
}

TEST_F(PropertiesApply, TextsTheHotkeyFileCannotHoldAreRefusedByName) {
    struct Case {
        QString name;
        QString action;
        const char* field;
        const char* reason;
    };
    const Case cases[] = {
        {"Two\nlines", "a", "The name", "line break"},
        {"Go", "a\rb", "The outgoing action", "line break"},
        {"A#L#L#B", "a", "The name", "#L#L#"},
        {"Go", "x#0#Ä#y", "The outgoing action", "#0#Ä#"},
        {"Go", "x#ü#ö#y", "The outgoing action", "#ü#ö#"},
        {"Go", "#?#$#", "The outgoing action", "#?#$#"},
        {"Ωmega", "a", "The name", "Windows-1252"},
        {"Go", "→", "The outgoing action", "Windows-1252"},
        {QStringLiteral("Nul") + QChar(0), "a", "The name", "NUL"},
    };
    for (const Case& c : cases) {
        prompts.clear();
        Open("add");
        FillHotkey(c.name, c.action);
        Apply();
        ASSERT_EQ(Shown().size(), 1u) << c.reason;
        EXPECT_TRUE(Shown()[0].startsWith(c.field)) << Shown()[0].toStdString();
        EXPECT_TRUE(Shown()[0].contains(QString::fromUtf8(c.reason))) << Shown()[0].toStdString();
        EXPECT_EQ(store->table().size(), 3u);
        EXPECT_EQ(form->dialogmode, "add");
        EXPECT_EQ(FileBytes("Default.tvr"), kDefaultFile);
        form->hide();
    }
}

TEST_F(PropertiesApply, WindowsLettersOutsideAsciiAreKept) {
    Open("add");
    FillHotkey("Café €", "{F5}");
    Ok();
    EXPECT_TRUE(Shown().empty()) << (Shown().empty() ? std::string() : Shown()[0].toStdString());
    EXPECT_EQ(FileBytes("Default.tvr"),
              kDefaultFile + HotkeyLine("Caf\xE9 \x80", "90, 3C, 64", "{F5}", "keyn", "-1"));
}

TEST_F(PropertiesApply, ASequenceThatWouldFailIsWrittenWithAWarning) {
    Open("add");
    FillHotkey("Tab", "{TAB");
    Apply();
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_TRUE(Shown()[0].contains("No Close")) << Shown()[0].toStdString();
    EXPECT_EQ(store->table().size(), 4u);
    EXPECT_TRUE(keyboard.Events().empty()) << "the check sends nothing";
}

TEST_F(PropertiesClose, ReopeningInAddModeResetsTheFieldsButKeepsTheLearnListAndMode) {
    Open("add");
    veloset()->setCurrentIndex(1);
    FillHotkey("Go", "g");
    keyset()->setCurrentIndex(1);
    sCheckBox1()->setChecked(true);
    Cancel();
    Open("add");
    EXPECT_EQ(name()->text(), "");
    EXPECT_EQ(selected()->text(), "");
    EXPECT_EQ(keystroke()->text(), "enter key(s) here...");
    EXPECT_EQ(keyset()->currentIndex(), 0);
    EXPECT_FALSE(sCheckBox1()->isChecked());
    EXPECT_FALSE(sCheckBox1()->isEnabled());
    EXPECT_EQ(veloset()->currentIndex(), 1);
    EXPECT_EQ(memlog()->count(), 1);
}

TEST_F(PropertiesClose, EveryClosingWritesNothingEnablesTheMainWindowAndFiresAgainAtOnce) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Cancel", [&] { Cancel(); }},
        {"close box", [&] { form->close(); }},
        {"Escape", [&] { QTest::keyClick(form.get(), Qt::Key_Escape); }},
    };
    for (const auto& [way, close] : ways) {
        Open("edit", 0);
        name()->setText("Changed");
        const int before = main.messages;
        close();
        EXPECT_FALSE(form->isVisible()) << way;
        EXPECT_TRUE(mainWindow.isEnabled()) << way;
        EXPECT_EQ(store->table().row(0).midiname, "Play") << way;
        EXPECT_EQ(FileBytes("Default.tvr"), kDefaultFile) << way;
        ASSERT_TRUE(driver->Deliver(0, 0x90, 0x3C, 0x7F));
        EXPECT_EQ(main.messages, before + 1) << way << ": the main window's handler is back in the slot";
    }
}

TEST_F(PropertiesLearning, AfterApplyTheListStaysStillUntilADeviceEntryIsClicked) {
    Open("add");
    FillHotkey("Go", "g");
    Apply();
    const int count = memlog()->count();
    ASSERT_TRUE(driver->Deliver(0, 0x90, 0x40, 0x40));
    QApplication::processEvents();
    EXPECT_EQ(memlog()->count(), count);

    devices()->item(1)->setCheckState(Qt::Checked); // a click on "Keys" opens it and learns again
    EXPECT_TRUE(driver->IsOpen(1));
    Learn(0x90, 0x41, 0x41);
}

TEST_F(PropertiesLearning, AClickOnADeviceNameWithoutChangingItsTickLearnsAgain) {
    Open("add");
    store->mdeviceClick();
    QListWidget* list = devices();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_NE(midi->OnShortMessage(), store->handleMidiData());
}

TEST_F(PropertiesLearning, ADeviceThatFailsToOpenIsReportedAndLearningIsNotInstalled) {
    Open("add");
    store->mdeviceClick(); // the main window's handler is in the slot
    driver->Fail(tonvarra::test::ScriptedMidiDriver::Step::Open, 2, "The device is gone.");
    devices()->item(1)->setCheckState(Qt::Checked);
    ASSERT_EQ(prompts.shown().size(), 1u);
    EXPECT_EQ(prompts.shown()[0].kind, tonvarra::test::AnsweringPrompts::Kind::Error);
    EXPECT_EQ(midi->OnShortMessage(), store->handleMidiData());
}

TEST_F(PropertiesLearning, SelectAllTicksEveryDeviceWithoutOpeningAny) {
    Open("add");
    store->mdeviceClick();
    Find<QCheckBox>("sall")->click();
    EXPECT_EQ(devices()->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(devices()->item(1)->checkState(), Qt::Checked);
    EXPECT_FALSE(driver->IsOpen(1));
    EXPECT_NE(midi->OnShortMessage(), store->handleMidiData()) << "Select all learns again";
}

} // namespace
} // namespace tonvarra::dialogs::test
