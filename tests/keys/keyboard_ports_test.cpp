// The choice of port, and the uinput port's key table (the device itself is
// tested on request where /dev/uinput can be opened).

#include "keys/key_name_table.h"
#include "keys/sendkeys.h"
#include "keys/system_keyboard.h"
#include "keys/uinput_keyboard.h"
#include "keys/us_layout.h"

#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tonvarra::keys {
namespace {

TEST(SystemKeyboard, WithoutDisplayOrUinputSaysOnceWhyAndSendsNothing) {
    std::vector<std::string> messages;
    auto port = MakeKeyboardPort([&](std::string m) { messages.push_back(std::move(m)); }, ":9999",
                                 "/nonexistent/uinput");
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Keystrokes cannot be sent"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(":9999"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("/nonexistent/uinput"), std::string::npos) << messages[0];

    EXPECT_TRUE(SendKeys(*port, "+(ab){TAB 3}", true));
    EXPECT_TRUE(SendKeys(*port, "{NOSUCHKEY}", true));
    port->ReleaseAll();
    // Sequence messages still reach the user; the reason is not repeated.
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages.back(), "Invalid Key Name");
}

TEST(UinputKeyboard, EveryKeyASequenceCanNameOrTypeHasACode) {
    for (const auto& row : KeyNameTable) {
        EXPECT_NE(EvdevKeyCode(row.vk, IsExtendedKey(row.vk)), 0u) << row.name;
    }
    for (int c = 0x20; c < 0x7F; ++c) {
        const KeyCode code = UsLayoutKeyCode(static_cast<char>(c));
        ASSERT_NE(code, kNoKey) << static_cast<char>(c);
        EXPECT_NE(EvdevKeyCode(static_cast<VirtualKey>(code & 0xFF), false), 0u) << static_cast<char>(c);
    }
    for (const VirtualKey modifier : {kShiftKey, kControlKey, kAltKey}) {
        EXPECT_NE(EvdevKeyCode(modifier, false), 0u);
    }
    EXPECT_EQ(EvdevKeyCode(0x24, true), static_cast<unsigned>(KEY_HOME));
    EXPECT_EQ(EvdevKeyCode(0x24, false), static_cast<unsigned>(KEY_KP7));
}

// Opt-in: a virtual keyboard's keys reach the session of whoever runs the tests.
TEST(UinputKeyboard, TheVirtualKeyboardSendsTheSequence) {
    if (std::getenv("TONVARRA_TEST_UINPUT") == nullptr) {
        GTEST_SKIP() << "set TONVARRA_TEST_UINPUT=1 to type into this machine's session through uinput";
    }
    std::string whyNot;
    auto port = UinputKeyboard::Open({}, whyNot);
    if (port == nullptr) {
        GTEST_SKIP() << whyNot;
    }
    const int fd = open(port->DeviceNode().c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0) << port->DeviceNode();
    libevdev* reader = nullptr;
    ASSERT_EQ(libevdev_new_from_fd(fd, &reader), 0);

    SendKeys(*port, "+a{LEFT}", true);
    std::vector<std::pair<unsigned, int>> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (got.size() < 6 && std::chrono::steady_clock::now() < deadline) {
        input_event ev{};
        if (libevdev_next_event(reader, LIBEVDEV_READ_FLAG_NORMAL, &ev) == LIBEVDEV_READ_STATUS_SUCCESS) {
            if (ev.type == EV_KEY) {
                got.emplace_back(ev.code, ev.value);
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    const std::vector<std::pair<unsigned, int>> expected = {{KEY_LEFTSHIFT, 1}, {KEY_A, 1},    {KEY_A, 0},
                                                            {KEY_LEFTSHIFT, 0}, {KEY_LEFT, 1}, {KEY_LEFT, 0}};
    EXPECT_EQ(got, expected);
    libevdev_free(reader);
    close(fd);
}

} // namespace
} // namespace tonvarra::keys
