// Load and save of a hotkey file with 10,000 hotkeys, through loadClick and
// saveClick over a temporary settings folder. Goal: each under 20 ms.

#include "midi/midi_in_driver.h"
#include "midi/midi_input.h"
#include "store/hotkey_store.h"
#include "store/settings_format.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace tonvarra;

// A system without MIDI input devices: the store's file work alone is measured.
class NoDevices final : public midi::MidiInDriver {
public:
    std::uint32_t GetNumDevs() override { return 0; }
    midi::MidiResult GetDevCaps(std::uint32_t, std::string&) override { return 2; }
    midi::MidiResult Open(midi::MidiInHandle&, std::uint32_t, midi::MidiInCallback, std::uintptr_t) override {
        return 2;
    }
    midi::MidiResult PrepareHeader(midi::MidiInHandle, midi::MidiHdr&) override { return 0; }
    midi::MidiResult AddBuffer(midi::MidiInHandle, midi::MidiHdr&) override { return 0; }
    midi::MidiResult Start(midi::MidiInHandle) override { return 0; }
    midi::MidiResult Stop(midi::MidiInHandle) override { return 0; }
    midi::MidiResult Reset(midi::MidiInHandle) override { return 0; }
    midi::MidiResult UnprepareHeader(midi::MidiInHandle, midi::MidiHdr&) override { return 0; }
    midi::MidiResult Close(midi::MidiInHandle) override { return 0; }
    midi::MidiResult GetErrorText(midi::MidiResult, std::string& text) override {
        text.clear();
        return 0;
    }
};

constexpr int kHotkeys = 10000;

// A settings folder with one hotkey file of kHotkeys typical lines.
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tonvarra-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = pattern;
        store::HotkeyTable::Rows rows;
        for (int i = 0; i < kHotkeys; ++i) {
            char event[16];
            std::snprintf(event, sizeof event, "90, %.2X, %s", i % 128, i % 3 == 0 ? " *" : "7F");
            rows.push_back({"Hotkey " + std::to_string(i), event, "^+{F" + std::to_string(i % 12 + 1) + "}",
                            i % 2 == 0 ? "keyn" : "keystroke", i % 5 == 0 ? "0" : "-1"});
        }
        write("A.tvr", store::FormatHotkeyFile(rows));
        write("files.cfg", "A\r\n");
        write("devices.cfg", "");
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
    }
    std::filesystem::path path_;
};

void BM_LoadClick10000(benchmark::State& state) {
    Folder folder;
    midi::TMidiInput input(std::make_unique<NoDevices>());
    store::HotkeyStore store(folder.path(), input);
    for (auto _ : state) {
        store.loadClick();
        benchmark::DoNotOptimize(store.table().size());
    }
    if (store.table().size() != kHotkeys) {
        state.SkipWithError("the hotkey file did not load");
    }
}
BENCHMARK(BM_LoadClick10000)->Unit(benchmark::kMillisecond);

void BM_SaveClick10000(benchmark::State& state) {
    Folder folder;
    midi::TMidiInput input(std::make_unique<NoDevices>());
    store::HotkeyStore store(folder.path(), input);
    store.loadClick();
    if (store.table().size() != kHotkeys) {
        state.SkipWithError("the hotkey file did not load");
        return;
    }
    for (auto _ : state) {
        store.saveClick(); // includes the flush to disk of the atomic replace
    }
}
BENCHMARK(BM_SaveClick10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
