// The key repeat's period: the time between the ticks' first key events over
// 10 s of holding, while another thread keeps a core busy.

#include "app/matcher.h"
#include "support/recording_keyboard.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

namespace {

using namespace tonvarra;
using Clock = std::chrono::steady_clock;

// Notes the time of every key-down; records nothing else, so its own cost stays flat.
class TickPort final : public test::RecordingKeyboard {
public:
    TickPort() { ticks_.reserve(4096); }
    void KeyEvent(keys::VirtualKey, std::uint8_t, std::uint32_t flags) override {
        if ((flags & keys::kKeyUpFlag) == 0) {
            std::lock_guard lock(lock_);
            ticks_.push_back(Clock::now());
        }
    }
    std::vector<Clock::time_point> Ticks() {
        std::lock_guard lock(lock_);
        return ticks_;
    }

private:
    std::mutex lock_;
    std::vector<Clock::time_point> ticks_;
};

void BM_KeyRepeatPeriod(benchmark::State& state) {
    TickPort port;
    std::atomic<bool> busy{true};
    std::thread spinner([&] {
        volatile std::uint64_t n = 0;
        while (busy.load(std::memory_order_relaxed)) {
            n = n + 1;
        }
    });
    for (auto _ : state) {
        app::Matcher matcher(
            port, [](std::string) {}, [] {});
        store::HotkeyEntry entry;
        entry.data = std::string("90, 3C, 64");
        entry.outgoing = std::string("a");
        entry.outgoingset = std::string("keystroke");
        entry.enabled = true;
        matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(store::HotkeyTable::Rows{entry}));
        matcher.HandleMidiData(0, 0x90, 0x3C, 0x64);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        matcher.StopAll();
    }
    busy = false;
    spinner.join();

    const auto ticks = port.Ticks();
    std::vector<double> periods;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        periods.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    }
    std::vector<double> deviations;
    for (const double p : periods) {
        deviations.push_back(std::abs(p - 10.0));
    }
    std::sort(deviations.begin(), deviations.end());
    state.counters["ticks"] = static_cast<double>(ticks.size());
    state.counters["mean_ms"] = std::accumulate(periods.begin(), periods.end(), 0.0) / periods.size();
    state.counters["p99_dev_ms"] = deviations[deviations.size() * 99 / 100];
    state.counters["max_dev_ms"] = deviations.back();
}
BENCHMARK(BM_KeyRepeatPeriod)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
