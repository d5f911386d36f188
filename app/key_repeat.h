#pragma once

// KeyRepeat: the held key sequence (HeldKeys) and the key-repeat timer
// (keytimer) that sends it every period on a thread of its own, until it is
// switched off. The thread asks for a raised priority where it may, so that the
// period stays even on a busy machine.

#include "app/guarded_sender.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tonvarra::app {

class KeyRepeat {
public:
    using Sequence = std::shared_ptr<const std::string>; // Windows-1252
    static constexpr std::chrono::nanoseconds kPeriod = std::chrono::milliseconds(10);
    static constexpr std::chrono::nanoseconds kMinimumPeriod = std::chrono::milliseconds(1);

    explicit KeyRepeat(GuardedSender& sender, std::chrono::nanoseconds period = kPeriod);
    // Stops the thread after the tick under way, if any.
    ~KeyRepeat();
    KeyRepeat(const KeyRepeat&) = delete;
    KeyRepeat& operator=(const KeyRepeat&) = delete;

    // HeldKeys := keys and keytimer on, as one step. A timer that already runs
    // keeps its rhythm. Refused (false) while holds are not allowed.
    bool Hold(Sequence keys);
    // Switches keytimer off; a tick under way still ends.
    void SwitchOff();
    // Switches keytimer off and returns once no tick is under way any more; a
    // tick under way is cut short (a held "{TAB -1}" is 65,535 Tabs).
    void SwitchOffAndWait();
    // While false, Hold is refused; set under the same lock as a hold, so that
    // after SetHoldsAllowed(false) returns no hold can start any more.
    void SetHoldsAllowed(bool allowed);

    [[nodiscard]] bool Enabled() const; // keytimer is on
    [[nodiscard]] std::string HeldKeys() const;

    // One tick: sends HeldKeys. A sequence that fails switches the repeat off,
    // unless another hold has replaced it meanwhile, and is then reported.
    void keytimerTimer();

private:
    using Clock = std::chrono::steady_clock;

    void Run();

    GuardedSender& sender_;
    const Clock::duration period_;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    Sequence HeldKeys_;
    std::uint64_t hold_ = 0; // counts holds, so a failing tick knows whether its hold is still current
    bool keytimer_ = false;
    bool holdsAllowed_ = true;
    bool ticking_ = false;
    bool quit_ = false;
    std::atomic<bool> abortTick_{false};
    Clock::time_point next_;

    std::thread thread_;
};

} // namespace tonvarra::app
