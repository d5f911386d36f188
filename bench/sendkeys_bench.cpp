// SendKeys into a port that sends nothing: sequences per second, and the heap
// allocations per call once the first call is done (the goal is none).

#include "keys/keyboard_port.h"
#include "keys/sendkeys.h"
#include "keys/us_layout.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string_view>

namespace {

std::atomic<long> allocations{0};

class NullPort : public tonvarra::keys::KeyboardPort {
public:
    tonvarra::keys::KeyCode CharToKeyCode(char c) override { return tonvarra::keys::UsLayoutKeyCode(c); }
    std::uint8_t ScanCode(tonvarra::keys::VirtualKey vk) override {
        return tonvarra::keys::UsLayoutScanCode(vk);
    }
    void KeyEvent(tonvarra::keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override {
        benchmark::DoNotOptimize(vk + scanCode + flags);
    }
    bool NumLockOn() override { return false; }
    void GetKeyboardState(std::span<std::uint8_t, 256>) override {}
    void SetKeyboardState(std::span<const std::uint8_t, 256>) override {}
    void Drain() override {}
    void MessageBox(std::string_view) override {}
    void ReleaseAll() override {}
};

constexpr std::string_view kForty = "Dear user,{ENTER}+(hello) ^s{TAB 2}~ok!!";
static_assert(kForty.size() == 40);

void Run(benchmark::State& state, std::string_view text) {
    NullPort port;
    tonvarra::keys::SendKeys(port, text, true); // the first call may set things up
    // Counted apart from the timing loop, whose own bookkeeping may allocate.
    constexpr int kCounted = 1000;
    const long before = allocations.load();
    for (int i = 0; i < kCounted; ++i) {
        benchmark::DoNotOptimize(tonvarra::keys::SendKeys(port, text, true));
    }
    const long allocated = allocations.load() - before;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tonvarra::keys::SendKeys(port, text, true));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_call"] = static_cast<double>(allocated) / kCounted;
}

void BM_SendKeys_Tab3(benchmark::State& state) {
    Run(state, "{TAB 3}");
}
void BM_SendKeys_Text40(benchmark::State& state) {
    Run(state, kForty);
}

BENCHMARK(BM_SendKeys_Tab3);
BENCHMARK(BM_SendKeys_Text40);

} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

BENCHMARK_MAIN();
