#include "app/key_repeat.h"

#include <algorithm>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tonvarra::app {

KeyRepeat::KeyRepeat(GuardedSender& sender, std::chrono::nanoseconds period)
    : sender_(sender)
    // A floor keeps a mistaken period from turning the raised thread into a busy loop.
    , period_(std::chrono::duration_cast<Clock::duration>(std::max(period, kMinimumPeriod)))
    , thread_([this] { Run(); }) {}

KeyRepeat::~KeyRepeat() {
    {
        std::lock_guard lock(lock_);
        quit_ = true;
        keytimer_ = false;
    }
    changed_.notify_all();
    thread_.join();
}

bool KeyRepeat::Hold(Sequence keys) {
    {
        std::lock_guard lock(lock_);
        if (!holdsAllowed_) {
            return false;
        }
        HeldKeys_ = std::move(keys);
        ++hold_;
        if (keytimer_) {
            return true;
        }
        keytimer_ = true;
        next_ = Clock::now() + period_;
    }
    changed_.notify_all();
    return true;
}

void KeyRepeat::SwitchOff() {
    {
        std::lock_guard lock(lock_);
        if (!keytimer_) {
            return;
        }
        keytimer_ = false;
    }
    changed_.notify_all();
}

void KeyRepeat::SwitchOffAndWait() {
    std::unique_lock lock(lock_);
    keytimer_ = false;
    abortTick_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !ticking_; });
    abortTick_ = false;
}

void KeyRepeat::SetHoldsAllowed(bool allowed) {
    std::lock_guard lock(lock_);
    holdsAllowed_ = allowed;
}

bool KeyRepeat::Enabled() const {
    std::lock_guard lock(lock_);
    return keytimer_;
}

std::string KeyRepeat::HeldKeys() const {
    std::lock_guard lock(lock_);
    return HeldKeys_ ? *HeldKeys_ : std::string();
}

void KeyRepeat::keytimerTimer() {
    Sequence keys;
    std::uint64_t hold = 0;
    {
        std::lock_guard lock(lock_);
        keys = HeldKeys_;
        hold = hold_;
    }
    if (!keys) {
        return;
    }
    const auto messages = sender_.Send(*keys, &abortTick_);
    if (messages.empty()) {
        return;
    }
    // Stop first, unless another hold has replaced this one: ticks must not keep
    // failing while the report is on its way.
    {
        std::lock_guard lock(lock_);
        if (hold_ == hold) {
            keytimer_ = false;
        }
    }
    changed_.notify_all();
    sender_.ReportOnce(*keys, messages);
}

namespace {

// A held key must repeat evenly while the machine is busy (a compiler, a game):
// ask for the lowest real-time priority, else a higher share of the processor.
// Without the permission for either, the thread runs as it is.
void RaiseRepeatPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
        return;
    }
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

} // namespace

void KeyRepeat::Run() {
    RaiseRepeatPriority();
    std::unique_lock lock(lock_);
    while (!quit_) {
        if (!keytimer_) {
            changed_.wait(lock, [this] { return keytimer_ || quit_; });
            continue;
        }
        // Ticks keep to a grid of whole periods from the moment the timer was switched on, so the
        // time that a tick takes does not stretch the period; ticks missed in a stall are skipped.
        const auto deadline = next_;
        if (changed_.wait_until(lock, deadline) == std::cv_status::no_timeout || !keytimer_ || quit_ ||
            next_ != deadline) {
            continue; // woken by a change: look at the state again
        }
        next_ += period_;
        const auto now = Clock::now();
        if (next_ <= now) {
            next_ += ((now - next_) / period_ + 1) * period_;
        }
        ticking_ = true;
        lock.unlock();
        try {
            keytimerTimer();
        } catch (...) {
            // The tick reports its own failures; nothing may end the repeat thread.
        }
        lock.lock();
        ticking_ = false;
        changed_.notify_all();
    }
}

} // namespace tonvarra::app
