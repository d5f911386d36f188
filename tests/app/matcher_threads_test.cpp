#include "app/matcher.h"

#include "support/recording_keyboard.h"
#include "typed_letters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace tonvarra::app {
namespace {

using namespace std::chrono_literals;
using test::RecordingKeyboard;

store::HotkeyEntry Hotkey(const char* data, const char* kind, const char* outgoing) {
    store::HotkeyEntry entry;
    entry.data = data;
    entry.outgoing = outgoing;
    entry.outgoingset = kind;
    entry.enabled = true;
    return entry;
}

store::HotkeyTable::Snapshot Table(int generation) {
    store::HotkeyTable::Rows rows = {
        Hotkey("90, 3C, 64", "keyn", "a"),
        Hotkey("91, 3C, 64", "keyn", "b"),
        Hotkey("92, 40, $d", "keystroker", "h"),
        Hotkey("92, 41, 7F", "keystroke", "j"),
    };
    // Filler that changes with every publication, so each one is a new table.
    for (int i = 0; i < generation % 50; ++i) {
        rows.push_back(Hotkey("B0, 07, 00", "keyn", "z"));
    }
    return std::make_shared<const store::HotkeyTable::Rows>(std::move(rows));
}

// Two devices deliver on their own threads while the GUI thread publishes table
// after table and "Stop all" runs, and a third thread holds and releases. Each
// "keyn" message must type its own letter exactly once, and nothing may stay down.
TEST(MatcherThreads, DeliveriesPublicationsAndTheRepeatMeet) {
    RecordingKeyboard port;
    std::atomic<int> reports{0};
    std::atomic<int> notifications{0};
    Matcher matcher(
        port, [&](std::string) { ++reports; }, [&] { ++notifications; }, {1ms});
    matcher.Publish(Table(0));

    constexpr int kMessages = 1500;
    std::atomic<bool> delivering{true};
    auto device = [&](std::uint8_t status) {
        for (int i = 0; i < kMessages; ++i) {
            matcher.HandleMidiData(status & 0x0F, status, 0x3C, 0x64);
        }
    };
    std::thread first(device, 0x90);
    std::thread second(device, 0x91);
    std::thread holder([&] {
        for (int i = 0; delivering.load(); ++i) {
            matcher.HandleMidiData(2, 0x92, i % 2 ? 0x40 : 0x41, i % 2 ? 0x64 : 0x7F);
            std::this_thread::sleep_for(100us);
            matcher.HandleMidiData(2, 0x92, 0x40, 0x00);
        }
    });
    std::thread gui([&] {
        for (int generation = 1; delivering.load(); ++generation) {
            matcher.Publish(Table(generation));
            (void)matcher.TakeIncomingText();
            if (generation % 16 == 0) {
                matcher.StopAll();
            }
            (void)matcher.Repeating();
        }
    });
    first.join();
    second.join();
    delivering = false;
    holder.join();
    gui.join();
    matcher.StopAll();

    const std::string typed = test::TypedLetters(port);
    EXPECT_EQ(std::count(typed.begin(), typed.end(), 'a'), kMessages);
    EXPECT_EQ(std::count(typed.begin(), typed.end(), 'b'), kMessages);
    EXPECT_EQ(std::count(typed.begin(), typed.end(), 'z'), 0);
    EXPECT_FALSE(matcher.Repeating());
    EXPECT_TRUE(port.KeysDown().empty());
    EXPECT_EQ(reports.load(), 0);
    EXPECT_GE(notifications.load(), 1);
}

} // namespace
} // namespace tonvarra::app
