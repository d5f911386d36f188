#include "dialogs/assistant.h"

#include "midi/midi_input.h"
#include "support/scripted_midi_driver.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace tonvarra::dialogs {
namespace {

TEST(Assistant, TakesTheSlotAtCreationAndLearnsWhileHoldingItHidden) {
    auto owned = std::make_unique<test::ScriptedMidiDriver>(std::vector<std::string>{"Pads"});
    test::ScriptedMidiDriver& driver = *owned;
    midi::TMidiInput input(std::move(owned));
    input.Open(0);
    TForm4 assistant(input);
    EXPECT_FALSE(assistant.isVisible());
    EXPECT_EQ(assistant.windowTitle(), "Assistent");

    ASSERT_TRUE(driver.Deliver(0, 0xFE));
    ASSERT_TRUE(driver.Deliver(0, 0x90, 0x3C, 0x64));
    auto* memlog = assistant.findChild<QListWidget*>(QStringLiteral("memlog"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return memlog->count() == 1; }, 5000));
    EXPECT_EQ(memlog->item(0)->text(), "Status: 90, Key: 3C, Velocity: 64");
    auto* devices = assistant.findChild<QListWidget*>(QStringLiteral("lbxInputDevices"));
    ASSERT_EQ(devices->count(), 1);
    EXPECT_EQ(devices->item(0)->checkState(), Qt::Unchecked);
}

} // namespace
} // namespace tonvarra::dialogs
