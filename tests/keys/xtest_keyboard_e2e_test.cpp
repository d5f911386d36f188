// SendKeys through the XTest port into a real window of the test's own Xvfb.

#include "keys/sendkeys.h"
#include "keys/xtest_keyboard.h"
#include "support/x_key_recorder.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tonvarra::keys {
namespace {

class XTestKeyboardE2e : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<test::XvfbServer>();
        recorder_ = std::make_unique<test::XKeyRecorder>(server_->DisplayName());
        std::string whyNot;
        port_ = XTestKeyboard::Open(
            [this](std::string m) {
                std::lock_guard lock(mutex_);
                messages_.push_back(std::move(m));
            },
            whyNot, server_->DisplayName().c_str());
        ASSERT_NE(port_, nullptr) << whyNot;
    }

    void TearDown() override {
        port_.reset();
        recorder_.reset();
        server_.reset();
    }

    // Sends text and returns what the window received once expected key events came.
    std::string Send(const std::string& text, std::size_t expectedEvents) {
        recorder_->Clear();
        SendKeys(*port_, text, true);
        recorder_->WaitFor(expectedEvents);
        return recorder_->Trace();
    }

    std::unique_ptr<test::XvfbServer> server_;
    std::unique_ptr<test::XKeyRecorder> recorder_;
    std::unique_ptr<XTestKeyboard> port_;
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

struct WindowCase {
    std::string text;
    std::string trace; // see XKeyRecorder::Trace
    std::string typed;
};

TEST_F(XTestKeyboardE2e, TheWindowReceivesTheSequences) {
    const WindowCase cases[] = {
        {"{TAB 3}", "+Tab -Tab +Tab -Tab +Tab -Tab", "\t\t\t"},
        {"+a", "+Shift_L +A[S] -A[S] -Shift_L[S]", "A"},
        {"abc", "+a -a +b -b +c -c", "abc"},
        {"ABC",
         "+Shift_L +A[S] -A[S] -Shift_L[S] +Shift_L +B[S] -B[S] -Shift_L[S] +Shift_L +C[S] -C[S] -Shift_L[S]",
         "ABC"},
        {"+(ab)c", "+Shift_L +A[S] -A[S] +B[S] -B[S] -Shift_L[S] +c -c", "ABc"},
        // The server drops the second Control down: the key is down already.
        {"^%(^)", "+Control_L +Alt_L[C] -Control_L[C1] -Alt_L[1]", ""},
        {"{LEFT}", "+Left -Left", ""},
        {"~", "+Return -Return", "\r"},
        {"+(ab", "+Shift_L +A[S] -A[S] +B[S] -B[S] -Shift_L[S]", "AB"},
    };
    for (const auto& c : cases) {
        const auto expected = static_cast<std::size_t>(std::count(c.trace.begin(), c.trace.end(), ' ') + 1);
        EXPECT_EQ(Send(c.text, expected), c.trace) << c.text;
        EXPECT_EQ(recorder_->Typed(), c.typed) << c.text;
    }
    std::lock_guard lock(mutex_);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(XTestKeyboardE2e, GermanLayoutTypesAltGrCharactersAndBraces) {
    ASSERT_TRUE(server_->SetLayout("de"));
    recorder_->Clear();
    SendKeys(*port_, "zy{@}", true);
    recorder_->WaitFor(8);
    EXPECT_EQ(recorder_->Typed(), "zy@");
    recorder_->Clear();
    SendKeys(*port_, "{{}{}}~", true);
    recorder_->WaitFor(10);
    EXPECT_EQ(recorder_->Typed(), "{}\r") << recorder_->Trace();
    EXPECT_EQ(recorder_->Trace().find("ISO_Level3_Shift") != std::string::npos, true) << recorder_->Trace();
}

TEST_F(XTestKeyboardE2e, CharacterMappingFollowsTheLiveKeymap) {
    EXPECT_EQ(port_->CharToKeyCode('A'), 0x141);
    EXPECT_EQ(port_->CharToKeyCode('~'), 0x1C0);
    EXPECT_EQ(port_->CharToKeyCode('{'), 0x1DB);
    EXPECT_EQ(port_->CharToKeyCode('\x80'), kNoKey); // no Euro key on a US keymap
    ASSERT_TRUE(server_->SetLayout("de"));
    EXPECT_EQ(port_->CharToKeyCode('z'), 0x5A);
    EXPECT_EQ(port_->CharToKeyCode('Z'), 0x15A);
    EXPECT_NE(port_->CharToKeyCode('@'), kNoKey);
    EXPECT_EQ(port_->CharToKeyCode('@') >> 8, 0); // AltGr is the port's own business
}

TEST_F(XTestKeyboardE2e, NumLockFlipsTheRealLockOnce) {
    const unsigned before = recorder_->LockedMods();
    SendKeys(*port_, "{NUMLOCK 5}", true);
    EXPECT_NE(recorder_->LockedMods(), before);
    EXPECT_TRUE(port_->NumLockOn());
    SendKeys(*port_, "{NUMLOCK}", true);
    EXPECT_EQ(recorder_->LockedMods(), before);
}

TEST_F(XTestKeyboardE2e, KeysMissingFromTheKeymapAreBoundForTheMomentOnly) {
    EXPECT_EQ(Send("{F13}{CLEAR}{F13}", 6), "+F13 -F13 +Clear -Clear +F13 -F13");
    port_->ReleaseAll();
    EXPECT_EQ(recorder_->KeycodeOf("F13"), 0u);
    EXPECT_EQ(recorder_->KeycodeOf("Clear"), 0u);
}

TEST_F(XTestKeyboardE2e, ReleaseAllLetsUpWhatThePortHolds) {
    port_->KeyEvent(0x10, 0, 0);
    port_->KeyEvent(0x41, 0, 0);
    port_->ReleaseAll();
    recorder_->WaitFor(4);
    EXPECT_EQ(recorder_->Trace(), "+Shift_L +A[S] -A[S] -Shift_L[S]");
}

// SendKeys runs on the MIDI delivery threads and the key repeat at once; the
// port's one connection must carry every event of both.
TEST_F(XTestKeyboardE2e, TwoThreadsSendingAtOnceLoseNoKey) {
    constexpr int kRounds = 30;
    std::thread letters([this] {
        for (int i = 0; i < kRounds; ++i) {
            SendKeys(*port_, "abc", true);
        }
    });
    std::thread tabs([this] {
        for (int i = 0; i < kRounds; ++i) {
            SendKeys(*port_, "{TAB 3}", i % 2 == 0);
        }
    });
    letters.join();
    tabs.join();
    const auto received = recorder_->WaitFor(12 * kRounds, std::chrono::seconds(20));
    std::map<std::string, int> presses;
    std::map<std::string, int> releases;
    for (const auto& r : received) {
        ++(r.press ? presses : releases)[r.keysym];
    }
    const std::map<std::string, int> expected = {
        {"a", kRounds}, {"b", kRounds}, {"c", kRounds}, {"Tab", 3 * kRounds}};
    EXPECT_EQ(presses, expected);
    EXPECT_EQ(releases, expected);
}

TEST(XTestKeyboardOpen, ReportsWhyWithoutADisplay) {
    std::string whyNot;
    EXPECT_EQ(XTestKeyboard::Open({}, whyNot, ":9999"), nullptr);
    EXPECT_NE(whyNot.find(":9999"), std::string::npos) << whyNot;
}

} // namespace
} // namespace tonvarra::keys
