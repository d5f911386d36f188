#pragma once

// GuardedSender: SendKeys for the delivery and key-repeat threads. A sequence that
// fails there must neither block the thread with a message nor leave it by an
// exception, and a failure that recurs must not flood the user: the messages are
// collected during the call and reported once per hotkey sequence and message.

#include "keys/keyboard_port.h"

#include <atomic>
#include <bitset>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tonvarra::app {

class GuardedSender {
public:
    using Reporter = std::function<void(std::string message)>;

    GuardedSender(keys::KeyboardPort& port, Reporter report);

    // Types a Windows-1252 sequence with waiting requested. Returns the messages
    // that SendKeys raised or the text of the exception that ended it; empty when
    // the sequence went through cleanly. Once *abort turns true, no key goes down
    // any more and nothing waits, so a long sequence ends at once; the keys that
    // it already pressed still go up.
    [[nodiscard]] std::vector<std::string> Send(std::string_view sequence,
                                                const std::atomic<bool>* abort = nullptr);

    // Hands each message to the reporter unless this sequence already reported it.
    void ReportOnce(std::string_view sequence, const std::vector<std::string>& messages);
    // A new hotkey table: failures may be reported again.
    void ForgetReported();

    [[nodiscard]] keys::KeyboardPort& port() { return port_; }

private:
    keys::KeyboardPort& port_;
    Reporter report_;
    std::mutex reportedLock_;
    std::set<std::string, std::less<>> reported_;
};

} // namespace tonvarra::app
