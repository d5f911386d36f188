// The real program's latency, loss and resource use: a note-on played by a
// JACK MIDI source, through tonvarra, to the KeyPress that an X client reads;
// beside it the same sender into a bare JACK MIDI input port, so that the
// difference is tonvarra's own cost. Servers of its own: JACK with the dummy
// back end and Xvfb. Not a pass/fail test: it prints what it measured.
//
// bench_program [--period FRAMES] [--sync 1|0] [--rate HZ] [--notes N] [--burst N] [--burst-rate HZ]
//               [--idle SECONDS]
// The server runs synchronously by default: in JACK's asynchronous mode a
// cycle that overruns on a busy machine lets a reader take a buffer its
// writer is still filling, which loses and mixes up notes before any program
// sees them. BENCH_PROGRAM_TRACE=1 prints the letters a burst typed.

#include "e2e/program_windows.h"
#include "e2e/tonvarra_process.h"
#include "support/jack_midi_source.h"
#include "support/jack_server.h"
#include "support/x_key_recorder.h"
#include "support/xvfb_server.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace tonvarra::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kLetters = 26; // one hotkey per letter, so a lost or doubled key shows
constexpr std::uint8_t kFirstNote = 0x30;

struct Options {
    unsigned period = 128;
    unsigned sampleRate = 48000;
    unsigned rate = 100;
    unsigned notes = 1000;
    unsigned burst = 1000;
    unsigned burstRate = 1000;
    unsigned idleSeconds = 60;
    bool synchronous = true;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const auto value = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        if (name == "--period") {
            o.period = value;
        } else if (name == "--rate") {
            o.rate = value;
        } else if (name == "--notes") {
            o.notes = value;
        } else if (name == "--burst") {
            o.burst = value;
        } else if (name == "--burst-rate") {
            o.burstRate = value;
        } else if (name == "--idle") {
            o.idleSeconds = value;
        } else if (name == "--sync") {
            o.synchronous = value != 0;
        } else {
            throw std::runtime_error("unknown option " + name);
        }
    }
    if (o.rate == 0 || o.burstRate == 0 || o.notes == 0) {
        throw std::runtime_error("rates and counts must be positive");
    }
    return o;
}

std::vector<std::uint8_t> NoteOn(unsigned i) {
    return {0x90, static_cast<std::uint8_t>(kFirstNote + i % kLetters), 0x64};
}

char Letter(unsigned i) {
    return static_cast<char>('a' + i % kLetters);
}

// What one timed note went through: when it was sent, when JACK's cycle took
// it, and when it arrived (empty when it did not).
struct Note {
    Clock::time_point called;
    Clock::time_point taken;
    std::optional<Clock::time_point> arrived;
};

// Sends count note-ons, one every 1/rate s. Timed: waits for each to be taken
// and records when; otherwise only queues them, as a player's burst would.
std::vector<Note> Play(JackMidiSource& source, unsigned count, unsigned rate, bool timed) {
    std::vector<Note> notes(count);
    const auto step = std::chrono::nanoseconds(1'000'000'000LL / rate);
    const auto start = Clock::now() + 20ms;
    for (unsigned i = 0; i < count; ++i) {
        std::this_thread::sleep_until(start + step * i);
        notes[i].called = Clock::now();
        while (!source.Post(NoteOn(i))) {
            std::this_thread::sleep_for(100us);
        }
        if (timed) {
            source.WaitUntilTaken(5s);
            notes[i].taken = source.LastTakenAt();
        }
    }
    source.WaitUntilTaken(10s);
    return notes;
}

// BareInput: a JACK MIDI input port that only notes when each event arrived,
// in its process cycle: the transport alone.
class BareInput {
public:
    explicit BareInput(const std::string& sourcePort) {
        jack_status_t status{};
        client_ = jack_client_open("tonvarra-bench-bare", JackNoStartServer, &status);
        if (client_ == nullptr) {
            throw std::runtime_error("cannot open a JACK client");
        }
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (port_ == nullptr || jack_set_process_callback(client_, &BareInput::Process, this) != 0 ||
            jack_activate(client_) != 0 ||
            jack_connect(client_, sourcePort.c_str(), jack_port_name(port_)) != 0) {
            jack_client_close(client_);
            throw std::runtime_error("cannot register, activate and connect the bare input");
        }
    }
    ~BareInput() { jack_client_close(client_); }
    BareInput(const BareInput&) = delete;
    BareInput& operator=(const BareInput&) = delete;

    [[nodiscard]] std::size_t Count() const { return count_.load(); }
    [[nodiscard]] Clock::time_point At(std::size_t i) const { return at_[i]; }
    // The key (data 1) of each event, to tell a note that came out of order or changed.
    [[nodiscard]] std::uint8_t Key(std::size_t i) const { return key_[i]; }
    void Clear() { count_.store(0); }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& input = *static_cast<BareInput*>(self);
        void* buffer = jack_port_get_buffer(input.port_, frames);
        const auto now = Clock::now();
        const jack_nframes_t events = jack_midi_get_event_count(buffer);
        for (jack_nframes_t e = 0; e < events; ++e) {
            const std::size_t n = input.count_.load(std::memory_order_relaxed);
            jack_midi_event_t event{};
            if (n < input.at_.size() && jack_midi_event_get(&event, buffer, e) == 0) {
                input.at_[n] = now;
                input.key_[n] = event.size > 1 ? event.buffer[1] : 0;
                input.count_.store(n + 1);
            }
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::vector<Clock::time_point> at_ = std::vector<Clock::time_point>(1 << 16);
    std::vector<std::uint8_t> key_ = std::vector<std::uint8_t>(1 << 16);
    std::atomic<std::size_t> count_{0};
};

// Reads the X client's key events on a thread of its own while the notes are
// played, so that each KeyPress is timed when it arrives.
class KeyReader {
public:
    explicit KeyReader(XKeyRecorder& recorder)
        : recorder_(recorder)
        , thread_([this] {
            while (!stop_.load()) {
                count_.store(recorder_.Collect(SIZE_MAX, 5ms));
            }
        }) {}
    // Stops once no key event has come for quiet (a backlog may still be typing).
    std::vector<XKeyRecorder::Received> Finish(std::chrono::milliseconds quiet) {
        std::size_t seen = count_.load();
        do {
            seen = count_.load();
            std::this_thread::sleep_for(quiet);
        } while (count_.load() != seen);
        stop_.store(true);
        thread_.join();
        std::vector<XKeyRecorder::Received> presses;
        for (const auto& e : recorder_.Events()) {
            if (e.press) {
                presses.push_back(e);
            }
        }
        recorder_.Clear();
        return presses;
    }

private:
    XKeyRecorder& recorder_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> count_{0};
    std::thread thread_; // last: it starts at once
};

// The X leg alone: another client presses and releases the letters through
// XTest, timed from the call, as tonvarra's keyboard port would.
std::vector<Note> PressAlone(const std::string& displayName, unsigned count, unsigned rate) {
    Display* display = XOpenDisplay(displayName.c_str());
    if (display == nullptr) {
        throw std::runtime_error("cannot open " + displayName);
    }
    std::vector<KeyCode> keycodes;
    for (unsigned i = 0; i < kLetters; ++i) {
        const char name[] = {Letter(i), '\0'};
        keycodes.push_back(XKeysymToKeycode(display, XStringToKeysym(name)));
    }
    std::vector<Note> notes(count);
    const auto step = std::chrono::nanoseconds(1'000'000'000LL / rate);
    const auto start = Clock::now() + 20ms;
    for (unsigned i = 0; i < count; ++i) {
        std::this_thread::sleep_until(start + step * i);
        notes[i].called = notes[i].taken = Clock::now();
        XTestFakeKeyEvent(display, keycodes[i % kLetters], True, CurrentTime);
        XTestFakeKeyEvent(display, keycodes[i % kLetters], False, CurrentTime);
        XFlush(display);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return notes;
}

// What a burst delivered, compared with the notes sent, by letter (index i
// of a burst is note i, letter i % 26).
struct Burst {
    std::size_t arrived = 0;
    std::size_t lost = 0;  // notes without their key
    std::size_t wrong = 0; // keys that no note asked for
    bool inOrder = false;  // every key at its note's place
    double lagMs = 0;      // from the last note sent to the last arrival
};

Burst Compare(unsigned notes, const std::string& letters) {
    Burst b;
    b.arrived = letters.size();
    int balance[kLetters] = {};
    for (unsigned i = 0; i < notes; ++i) {
        ++balance[i % kLetters];
    }
    b.inOrder = letters.size() == notes;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const int letter = letters[i] - 'a';
        if (letter < 0 || letter >= kLetters) {
            ++b.wrong;
            b.inOrder = false;
            continue;
        }
        --balance[letter];
        b.inOrder = b.inOrder && letters[i] == Letter(static_cast<unsigned>(i));
    }
    for (const int left : balance) {
        (left > 0 ? b.lost : b.wrong) += static_cast<std::size_t>(left > 0 ? left : -left);
    }
    return b;
}

void PrintBurst(const char* what, const Burst& b) {
    std::printf(
        "  %-22s arrived %zu   lost %zu   wrong keys %zu   %s   last one %.1f ms after the last note\n", what,
        b.arrived, b.lost, b.wrong, b.inOrder ? "in order" : "NOT in order", b.lagMs);
}

struct Latency {
    double p50 = 0, p99 = 0, max = 0; // ms, from the cycle that took the note
    double p50FromCall = 0;           // ms, from the send call
    std::size_t lost = 0;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

Latency Summarize(const std::vector<Note>& notes) {
    std::vector<double> taken;
    std::vector<double> called;
    Latency l;
    for (const Note& n : notes) {
        if (!n.arrived) {
            ++l.lost;
            continue;
        }
        taken.push_back(std::chrono::duration<double, std::milli>(*n.arrived - n.taken).count());
        called.push_back(std::chrono::duration<double, std::milli>(*n.arrived - n.called).count());
    }
    l.p50 = Percentile(taken, 0.50);
    l.p99 = Percentile(taken, 0.99);
    l.max = Percentile(taken, 1.0);
    l.p50FromCall = Percentile(called, 0.50);
    return l;
}

// Pairs the presses with the notes in order; a press of the wrong letter means
// the note before it was lost.
void Match(std::vector<Note>& notes, const std::vector<XKeyRecorder::Received>& presses) {
    std::size_t p = 0;
    for (unsigned i = 0; i < notes.size() && p < presses.size(); ++i) {
        if (presses[p].text == std::string(1, Letter(i))) {
            notes[i].arrived = presses[p++].at;
        }
    }
}

long StatusKb(pid_t pid, const char* field, const char* file = "status") {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
        }
    }
    return -1;
}

// utime + stime of every thread of the process, in clock ticks.
long long CpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long long ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stoll(field);
        }
    }
    return ticks;
}

std::string Hotkeys() {
    std::string lines;
    for (int i = 0; i < kLetters; ++i) {
        char event[16];
        std::snprintf(event, sizeof event, "90, %02X, $d", kFirstNote + i);
        lines += HotkeyFileLine(std::string(1, Letter(static_cast<unsigned>(i))), event,
                                std::string(1, Letter(static_cast<unsigned>(i))), "keyn");
    }
    return lines;
}

void PrintLatency(const char* what, const Latency& l) {
    std::printf("  %-22s p50 %7.3f ms   p99 %7.3f ms   max %7.3f ms   p50 from the send call %7.3f ms   "
                "lost %zu\n",
                what, l.p50, l.p99, l.max, l.p50FromCall, l.lost);
}

int Run(const Options& o) {
    XvfbServer xvfb;
    JackServer jack(JackServer::Options{o.sampleRate, o.period, o.synchronous});
    JackMidiSource source("tonvarra-bench", "out");
    std::printf(
        "bench_program: jackd --no-realtime%s, dummy back end %u Hz, period %u frames (%.2f ms); Xvfb %s\n",
        o.synchronous ? " --sync" : "", o.sampleRate, o.period, 1000.0 * o.period / o.sampleRate,
        xvfb.DisplayName().c_str());
    std::printf("program: %s\n", TONVARRA_EXECUTABLE);

    // The transport alone.
    Latency bareLatency;
    Burst bareBurst;
    {
        BareInput bare(source.FullPortName());
        std::vector<Note> notes = Play(source, o.notes, o.rate, true);
        std::this_thread::sleep_for(200ms);
        for (std::size_t i = 0; i < notes.size() && i < bare.Count(); ++i) {
            notes[i].arrived = bare.At(i);
        }
        bareLatency = Summarize(notes);
        bare.Clear();
        const std::vector<Note> burst = Play(source, o.burst, o.burstRate, false);
        std::this_thread::sleep_for(500ms);
        std::string letters;
        for (std::size_t i = 0; i < bare.Count(); ++i) {
            letters += static_cast<char>('a' + (bare.Key(i) - kFirstNote));
        }
        bareBurst = Compare(o.burst, letters);
        if (bare.Count() > 0) {
            bareBurst.lagMs =
                std::chrono::duration<double, std::milli>(bare.At(bare.Count() - 1) - burst.back().called)
                    .count();
        }
    }

    // The program: one keyn hotkey per letter, the source enabled.
    XKeyRecorder recorder(xvfb.DisplayName());
    ProgramWindows windows(xvfb.DisplayName());
    TonvarraProcess program(TonvarraProcess::Setup{TONVARRA_EXECUTABLE,
                                                   {{"files.cfg", "Bench\r\n"},
                                                    {"devices.cfg", source.FullPortName() + "\r\n"},
                                                    {"Bench.tvr", Hotkeys()}},
                                                   xvfb.DisplayName(),
                                                   jack.Name()});
    if (!source.WaitForConnection(30s) || !windows.WaitUntilSplashClosed("Tonvarra v.1.3", "startup", 30s)) {
        throw std::runtime_error("the program did not come up:\n" + program.Output());
    }
    for (int i = 0; i < 20 && !recorder.HasFocus(); ++i) {
        recorder.TakeFocus();
        std::this_thread::sleep_for(50ms);
    }

    Latency xLatency;
    {
        KeyReader reader(recorder);
        std::vector<Note> notes = PressAlone(xvfb.DisplayName(), o.notes, o.rate);
        Match(notes, reader.Finish(500ms));
        xLatency = Summarize(notes);
    }
    Latency programLatency;
    {
        KeyReader reader(recorder);
        std::vector<Note> notes = Play(source, o.notes, o.rate, true);
        Match(notes, reader.Finish(500ms));
        programLatency = Summarize(notes);
    }
    Burst programBurst;
    {
        KeyReader reader(recorder);
        const std::vector<Note> notes = Play(source, o.burst, o.burstRate, false);
        const auto presses = reader.Finish(1s);
        std::string letters;
        for (const auto& press : presses) {
            letters += press.text.size() == 1 ? press.text : std::string("?");
        }
        programBurst = Compare(o.burst, letters);
        if (!presses.empty()) {
            programBurst.lagMs =
                std::chrono::duration<double, std::milli>(presses.back().at - notes.back().called).count();
        }
        if (std::getenv("BENCH_PROGRAM_TRACE") != nullptr) {
            std::printf("burst typed: %s\n", letters.c_str());
        }
    }

    const long long before = CpuTicks(program.Pid());
    const auto idleStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(o.idleSeconds));
    const long long after = CpuTicks(program.Pid());
    const double seconds = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const double idleCpuPercent =
        100.0 * static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
    const auto mb = [&](const char* field, const char* file = "status") {
        return static_cast<double>(StatusKb(program.Pid(), field, file)) / 1024.0;
    };
    // Every JACK client maps the server's shared segment; its pages count in
    // each client's RSS although the server owns them.
    const double peak = mb("VmHWM:");
    const double rss = mb("VmRSS:");
    const double shared = mb("RssShmem:");
    const double own = mb("RssAnon:") + mb("RssFile:");
    const double pss = mb("Pss:", "smaps_rollup");
    const TonvarraProcess::Exit exit = program.Stop(SIGTERM);

    std::printf("\nlatency, %u notes at %u/s, note-on to the KeyPress read by the X client:\n", o.notes,
                o.rate);
    PrintLatency("JACK transport alone", bareLatency);
    PrintLatency("tonvarra", programLatency);
    PrintLatency("XTest alone (X leg)", xLatency);
    std::printf("  tonvarra's own cost at p50: %.3f ms (goal: within 0.2 ms)\n",
                programLatency.p50 - bareLatency.p50);
    std::printf("\nburst, %u notes at %u/s:\n", o.burst, o.burstRate);
    PrintBurst("JACK transport alone", bareBurst);
    PrintBurst("tonvarra", programBurst);
    std::printf("  goal: nothing lost\n");
    std::printf("\nresources, one device open:\n");
    std::printf("  peak RSS (VmHWM)      %.1f MB (goal: under 80 MB)\n", peak);
    std::printf(
        "  RSS at the end        %.1f MB: %.1f MB the program's own (anonymous and file pages), %.1f MB "
        "shared memory (JACK's segment); PSS %.1f MB\n",
        rss, own, shared, pss);
    std::printf("  idle CPU over %.0f s   %.2f %% of one core (goal: under 1 %%)\n", seconds, idleCpuPercent);
    if (!exit.exited || exit.code != 0) {
        std::printf("\nthe program did not end cleanly on SIGTERM (code %d, signal %d)\n", exit.code,
                    exit.signal);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(Parse(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_program: %s\n", e.what());
        return 1;
    }
}
