#include "base/error.h"
#include "store_fixture.h"

#include <gtest/gtest.h>

#include <atomic>

namespace tonvarra::test {
namespace {

// Counts the messages that reach the handler it makes.
struct Receiver {
    std::atomic<int> messages{0};
    void HandleMidiData(std::int32_t, std::uint8_t, std::uint8_t, std::uint8_t) { ++messages; }
    midi::ShortMessageHandler handler() {
        return midi::ShortMessageHandler::bind<&Receiver::HandleMidiData>(this);
    }
};

class DeviceMount : public StoreTest {
protected:
    // The store with these device names in `device`, ticked as given; the
    // driver lists `present` of them, so rows past it cannot be opened.
    store::HotkeyStore& WithDevices(std::vector<std::string> names, std::vector<bool> ticks,
                                    std::size_t present) {
        store::HotkeyStore& store = Start(std::vector<std::string>(names.begin(), names.begin() + present));
        store.setHandleMidiData(main.handler());
        for (std::size_t i = 0; i < names.size(); ++i) {
            store.device().append(names[i], ticks[i]);
        }
        return store;
    }
    bool IsOpen(int i) const { return input_->IsOpen(i); }

    Receiver main;
    Receiver dialog;
};

TEST_F(DeviceMount, OpensTheTickedDevicesAndTakesTheHandlerBackButClosesNothing) {
    store::HotkeyStore& store = WithDevices({"Pads", "Keys", "Faders"}, {true, false, false}, 3);
    input_->SetOnShortMessage(dialog.handler());
    input_->Open(2);
    store.mdeviceClick();
    EXPECT_TRUE(IsOpen(0));
    EXPECT_FALSE(IsOpen(1));
    EXPECT_TRUE(IsOpen(2));
    ASSERT_TRUE(driver_->Deliver(0, 0x90, 0x3C, 0x64));
    EXPECT_EQ(main.messages.load(), 1);
    EXPECT_EQ(dialog.messages.load(), 0);
}

TEST_F(DeviceMount, WithoutDeviceRowsInstallsNoHandler) {
    store::HotkeyStore& store = Start({"Pads"});
    store.setHandleMidiData(main.handler());
    input_->SetOnShortMessage(dialog.handler());
    store.mdeviceClick();
    EXPECT_EQ(input_->OnShortMessage(), dialog.handler());
}

TEST_F(DeviceMount, ADeviceThatFailsStillLetsTheOthersOpenAndTheHandlerReturn) {
    // Row 2 names a device the system does not have; it is handled first.
    store::HotkeyStore& store = WithDevices({"Pads", "Keys", "Gone"}, {true, true, true}, 2);
    input_->SetOnShortMessage(dialog.handler());
    EXPECT_THROW(store.mdeviceClick(), Error);
    EXPECT_TRUE(IsOpen(0));
    EXPECT_TRUE(IsOpen(1));
    EXPECT_EQ(input_->OnShortMessage(), main.handler());
}

TEST_F(DeviceMount, SyncOpensTheTickedAndClosesTheOthersEveryPass) {
    store::HotkeyStore& store = WithDevices({"Pads", "Keys", "Faders"}, {false, true, false}, 3);
    input_->Open(0); // as the properties dialog does for its learn list
    store.syncDevices();
    EXPECT_FALSE(IsOpen(0));
    EXPECT_TRUE(IsOpen(1));
    EXPECT_FALSE(IsOpen(2));
    store.device().setTicked(1, false);
    store.device().setTicked(2, true);
    store.syncDevices();
    EXPECT_FALSE(IsOpen(1));
    EXPECT_TRUE(IsOpen(2));
}

TEST_F(DeviceMount, SyncReportsAFailingDeviceOnceAndStillSyncsTheRest) {
    store::HotkeyStore& store = WithDevices({"Pads", "Keys", "Gone"}, {false, true, true}, 2);
    input_->Open(0);
    EXPECT_THROW(store.syncDevices(), Error);
    EXPECT_FALSE(IsOpen(0));
    EXPECT_TRUE(IsOpen(1));

    input_->Open(0);
    EXPECT_NO_THROW(store.syncDevices()); // the same failure again: not reported twice
    EXPECT_FALSE(IsOpen(0));

    // Once the device works again, a new failure is news.
    store.device().setTicked(2, false);
    EXPECT_NO_THROW(store.syncDevices());
    driver_->Fail(ScriptedMidiDriver::Step::Open, 4, "The device is busy.");
    store.device().setTicked(0, true);
    try {
        store.syncDevices();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("The device is busy."), std::string::npos) << e.what();
    }
    EXPECT_NO_THROW(store.syncDevices());
}

TEST_F(DeviceMount, LoadOpensEveryNamedDeviceEvenWhenOneFails) {
    Put("files.cfg", "A\r\n");
    Put("A.tvr", "");
    Put("devices.cfg", "Keys\r\nPads\r\n");
    store::HotkeyStore& store = Start({"Pads", "Keys"});
    store.setHandleMidiData(main.handler());
    driver_->Fail(ScriptedMidiDriver::Step::Open, 4, "The device is busy.");
    store.loadClick();
    EXPECT_TRUE(store.deviceEnabled(0));
    EXPECT_TRUE(store.deviceEnabled(1));
    driver_->Heal(ScriptedMidiDriver::Step::Open);
    store.saveClick();
    EXPECT_EQ(Get("devices.cfg"), "Keys\r\nPads\r\n");
    store.syncDevices();
    EXPECT_TRUE(IsOpen(0));
    EXPECT_TRUE(IsOpen(1));
    ASSERT_TRUE(driver_->Deliver(1, 0x90, 0x3C, 0x64));
    EXPECT_EQ(main.messages.load(), 1);
}

} // namespace
} // namespace tonvarra::test
