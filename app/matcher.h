#pragma once

// Matcher: the hand-off of each MIDI short message, its matching against the
// hotkeys of the current file, and the firing of their actions (once, or held by
// the 10 ms key repeat). Plain C++; this header is the contract that the main
// window uses, and the matcher's owner may add to it.

#include "keys/keyboard_port.h"
#include "midi/short_message_handler.h"
#include "store/hotkey_table.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tonvarra::app {

class Matcher {
public:
    // Called on a delivery or key-repeat thread with a message for the user
    // (a SendKeys message, a failed key sequence). It must not block: the
    // program posts it to the GUI thread.
    using Reporter = std::function<void(std::string message)>;
    // Called, on a delivery thread, when a new "Incoming:" text is waiting and
    // no earlier notification is still pending; the GUI then calls TakeIncomingText.
    using IncomingNotifier = std::function<void()>;

    struct Options {
        // The key repeat's period; tests that must see no tick choose a long one.
        std::chrono::nanoseconds keyRepeatPeriod = std::chrono::milliseconds(10);
    };

    Matcher(keys::KeyboardPort& port, Reporter report, IncomingNotifier incoming);
    Matcher(keys::KeyboardPort& port, Reporter report, IncomingNotifier incoming, Options options);
    ~Matcher(); // stops the key repeat and releases held keys
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    // The data handler for the MIDI input manager's slot. Any thread; messages
    // of one thread are matched in their order, each with its own bytes.
    void HandleMidiData(std::int32_t DeviceIndex, std::uint8_t Status, std::uint8_t Data1,
                        std::uint8_t Data2);
    [[nodiscard]] midi::ShortMessageHandler handler();

    // GUI thread: a new table to match against (compiled here, published atomically).
    // An empty pointer stands for an empty table.
    void Publish(const store::HotkeyTable::Snapshot& rows);

    // After SetActionsEnabled(false) returns, no hotkey starts a hold any more.
    void SetActionsEnabled(bool enabled);
    [[nodiscard]] bool ActionsEnabled() const;
    [[nodiscard]] bool StopOnReleaseArmed() const;
    [[nodiscard]] bool Repeating() const;
    // The held key sequence (UTF-8), empty before the first hold.
    [[nodiscard]] std::string HeldKeys() const;
    // Switches the key repeat off and releases every key the program holds down.
    // GUI thread; returns after a tick under way has ended.
    void StopAll();

    // GUI thread: the newest "Incoming: 90, 3C, 64" text; clears the pending notification.
    // "Incoming:" before the first message.
    [[nodiscard]] std::string TakeIncomingText();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tonvarra::app
