// Matching cost by table size, and the in-process latency from the driver's
// callback to the first key event at the keyboard port.

#include "app/hotkey_index.h"
#include "app/matcher.h"
#include "midi/midi_input.h"
#include "support/recording_keyboard.h"
#include "support/scripted_midi_driver.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace tonvarra;
using Clock = std::chrono::steady_clock;

struct Message {
    std::uint8_t status, key, velocity;
};

// n hotkeys on distinct notes of all sixteen channels, with the velocity modes
// mixed. Every other action kind is one that fires nothing, so that the
// benchmark times the matching and not the key events.
store::HotkeyTable::Snapshot Table(int n) {
    static const char* const velocities[] = {"64", "00", " *", "$d", "7F"};
    store::HotkeyTable::Rows rows;
    for (int i = 0; i < n; ++i) {
        char data[16];
        std::snprintf(data, sizeof data, "%02X, %02X, %s", 0x90 | (i / 128 % 16), i % 128,
                      velocities[i / 2048 % 5]);
        store::HotkeyEntry entry;
        entry.data = std::string(data);
        entry.outgoing = std::string("a");
        entry.outgoingset = std::string("none");
        entry.enabled = true;
        rows.push_back(entry);
    }
    return std::make_shared<const store::HotkeyTable::Rows>(std::move(rows));
}

std::vector<Message> Messages() {
    std::mt19937 rng(7);
    std::vector<Message> messages(4096);
    for (auto& m : messages) {
        m = {static_cast<std::uint8_t>(0x90 | rng() % 16), static_cast<std::uint8_t>(rng() % 128),
             static_cast<std::uint8_t>(rng() % 2 ? 0x64 : 0x00)};
    }
    return messages;
}

// The whole hand-off on the calling thread: the lock, the display text, the scan.
void BM_HandleMidiData(benchmark::State& state) {
    test::RecordingKeyboard port;
    app::Matcher matcher(
        port, [](std::string) {}, [] {});
    matcher.Publish(Table(static_cast<int>(state.range(0))));
    const auto messages = Messages();
    std::size_t i = 0;
    for (auto _ : state) {
        const Message& m = messages[i++ & (messages.size() - 1)];
        matcher.HandleMidiData(0, m.status, m.key, m.velocity);
        if ((i & 1023) == 0) {
            (void)matcher.TakeIncomingText(); // the GUI reads now and then
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleMidiData)->Arg(10)->Arg(1000)->Arg(10000);

// The scan alone.
void BM_Scan(benchmark::State& state) {
    const app::HotkeyIndex index(*Table(static_cast<int>(state.range(0))));
    const auto messages = Messages();
    std::size_t i = 0;
    for (auto _ : state) {
        const Message& m = messages[i++ & (messages.size() - 1)];
        benchmark::DoNotOptimize(index.Scan(m.status, m.key, m.velocity, true));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Scan)->Arg(10)->Arg(1000)->Arg(10000);

// Notes when the driver called back and when the first key event reached the port.
std::atomic<Clock::rep> callbackAt{0};
std::atomic<Clock::rep> firstKeyAt{0};

class TimingPort final : public test::RecordingKeyboard {
public:
    void KeyEvent(keys::VirtualKey vk, std::uint8_t scanCode, std::uint32_t flags) override {
        Clock::rep expected = 0;
        firstKeyAt.compare_exchange_strong(expected, Clock::now().time_since_epoch().count());
        RecordingKeyboard::KeyEvent(vk, scanCode, flags);
    }
};

// The scripted driver with the callback that it calls wrapped, to note the moment.
class TimingDriver final : public midi::MidiInDriver {
public:
    explicit TimingDriver(std::unique_ptr<test::ScriptedMidiDriver> inner)
        : inner_(std::move(inner)) {}

    std::uint32_t GetNumDevs() override { return inner_->GetNumDevs(); }
    midi::MidiResult GetDevCaps(std::uint32_t d, std::string& name) override {
        return inner_->GetDevCaps(d, name);
    }
    midi::MidiResult Open(midi::MidiInHandle& h, std::uint32_t d, midi::MidiInCallback callback,
                          std::uintptr_t instance) override {
        callback_ = callback;
        instance_ = instance;
        return inner_->Open(h, d, &TimingDriver::Callback, reinterpret_cast<std::uintptr_t>(this));
    }
    midi::MidiResult PrepareHeader(midi::MidiInHandle h, midi::MidiHdr& x) override {
        return inner_->PrepareHeader(h, x);
    }
    midi::MidiResult AddBuffer(midi::MidiInHandle h, midi::MidiHdr& x) override {
        return inner_->AddBuffer(h, x);
    }
    midi::MidiResult Start(midi::MidiInHandle h) override { return inner_->Start(h); }
    midi::MidiResult Stop(midi::MidiInHandle h) override { return inner_->Stop(h); }
    midi::MidiResult Reset(midi::MidiInHandle h) override { return inner_->Reset(h); }
    midi::MidiResult UnprepareHeader(midi::MidiInHandle h, midi::MidiHdr& x) override {
        return inner_->UnprepareHeader(h, x);
    }
    midi::MidiResult Close(midi::MidiInHandle h) override { return inner_->Close(h); }
    midi::MidiResult GetErrorText(midi::MidiResult code, std::string& text) override {
        return inner_->GetErrorText(code, text);
    }

    test::ScriptedMidiDriver& inner() { return *inner_; }

private:
    static void Callback(midi::MidiInHandle h, std::uint32_t message, std::uintptr_t self, std::uintptr_t p1,
                         std::uintptr_t p2) {
        callbackAt.store(Clock::now().time_since_epoch().count());
        auto* driver = reinterpret_cast<TimingDriver*>(self);
        driver->callback_(h, message, driver->instance_, p1, p2);
    }

    std::unique_ptr<test::ScriptedMidiDriver> inner_;
    midi::MidiInCallback callback_ = nullptr;
    std::uintptr_t instance_ = 0;
};

// A "keyn" hotkey typing one letter, driven through the MIDI input manager.
void BM_CallbackToFirstKeyEvent(benchmark::State& state) {
    constexpr int kMessages = 100000;
    auto owned = std::make_unique<TimingDriver>(
        std::make_unique<test::ScriptedMidiDriver>(std::vector<std::string>{"Pads"}));
    TimingDriver& driver = *owned;
    midi::TMidiInput input(std::move(owned));
    TimingPort port;
    app::Matcher matcher(
        port, [](std::string) {}, [] {});
    store::HotkeyEntry entry;
    entry.data = std::string("90, 3C, 64");
    entry.outgoing = std::string("a");
    entry.outgoingset = std::string("keyn");
    entry.enabled = true;
    matcher.Publish(std::make_shared<const store::HotkeyTable::Rows>(store::HotkeyTable::Rows{entry}));
    input.SetOnShortMessage(matcher.handler());
    input.Open(0);

    std::vector<double> micros;
    micros.reserve(kMessages);
    for (auto _ : state) {
        for (int i = 0; i < kMessages; ++i) {
            firstKeyAt.store(0);
            if (i % 256 == 0) {
                port.Clear(); // keep the recording small
                (void)matcher.TakeIncomingText();
            }
            driver.inner().Deliver(0, 0x90, 0x3C, 0x64);
            micros.push_back(static_cast<double>(firstKeyAt.load() - callbackAt.load()) / 1000.0);
        }
    }
    input.Close(0);
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_CallbackToFirstKeyEvent)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
