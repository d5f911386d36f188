#pragma once

#include "midi/midi_in_driver.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tonvarra::test {

// ScriptedMidiDriver: a MIDI input driver for tests. It lists the device names
// it is given (duplicates allowed), keeps track of which devices are open,
// delivers messages on a thread of its own, and fails any step on request.
//
//   auto owned = std::make_unique<ScriptedMidiDriver>(std::vector<std::string>{"Pads", "Keys"});
//   ScriptedMidiDriver& driver = *owned;   // valid while the manager lives
//   midi::TMidiInput input(std::move(owned));
//   input.Open(1);
//   driver.Deliver(1, 0x90, 0x3C, 0x64);   // returns once the handler has returned
//
// For SharedMidiInput, install Factory(names, &pointer) with SetMidiDriverFactory.
// All members may be called from any test thread.
class ScriptedMidiDriver final : public midi::MidiInDriver {
public:
    // The driver's calls, kept by whoever holds it: it outlives the driver, so a test can
    // see what the manager did while it was destroyed.
    class CallLog {
    public:
        void Add(std::string call);
        [[nodiscard]] std::vector<std::string> Calls() const;
        void Clear();

    private:
        mutable std::mutex mutex_;
        std::vector<std::string> calls_;
    };

    enum class Step {
        GetDevCaps,
        Open,
        PrepareHeader,
        AddBuffer,
        Start,
        Stop,
        Reset,
        UnprepareHeader,
        Close
    };

    explicit ScriptedMidiDriver(std::vector<std::string> deviceNames);
    // Ends the delivery thread.
    ~ScriptedMidiDriver() override;

    // A factory for SetMidiDriverFactory; *made points at the last driver it made.
    static std::function<std::unique_ptr<midi::MidiInDriver>()> Factory(std::vector<std::string> deviceNames,
                                                                        ScriptedMidiDriver** made = nullptr);

    // From now on, every call of step fails with code. With text, GetErrorText names the
    // code; without it, the code has no text.
    void Fail(Step step, midi::MidiResult code, std::optional<std::string> text = std::nullopt);
    // Lets step succeed again.
    void Heal(Step step);

    // Delivers one short message on the delivery thread and returns once the callback has
    // returned. False when the device is not open and started: the message was dropped.
    bool Deliver(std::int32_t device, std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0);
    // Copies a system-exclusive message into the queued buffer, returning it after every
    // buffer-length chunk and after the last byte. False when it was dropped because the
    // device was not started or no buffer was queued.
    bool DeliverSysEx(std::int32_t device, const std::vector<std::uint8_t>& bytes);

    [[nodiscard]] bool IsOpen(std::int32_t device) const;
    [[nodiscard]] bool IsStarted(std::int32_t device) const;
    [[nodiscard]] std::size_t QueuedBuffers(std::int32_t device) const;
    // Every driver call in order, as "Open 0", "Stop 1", "GetDevCaps 2", ...
    [[nodiscard]] std::vector<std::string> Calls() const { return log_->Calls(); }
    void ClearCalls() { log_->Clear(); }
    [[nodiscard]] std::shared_ptr<const CallLog> Log() const { return log_; }
    [[nodiscard]] std::thread::id DeliveryThread() const { return worker_.get_id(); }

    std::uint32_t GetNumDevs() override;
    midi::MidiResult GetDevCaps(std::uint32_t device, std::string& name) override;
    midi::MidiResult Open(midi::MidiInHandle& handle, std::uint32_t device, midi::MidiInCallback callback,
                          std::uintptr_t instance) override;
    midi::MidiResult PrepareHeader(midi::MidiInHandle handle, midi::MidiHdr& header) override;
    midi::MidiResult AddBuffer(midi::MidiInHandle handle, midi::MidiHdr& header) override;
    midi::MidiResult Start(midi::MidiInHandle handle) override;
    midi::MidiResult Stop(midi::MidiInHandle handle) override;
    midi::MidiResult Reset(midi::MidiInHandle handle) override;
    midi::MidiResult UnprepareHeader(midi::MidiInHandle handle, midi::MidiHdr& header) override;
    midi::MidiResult Close(midi::MidiInHandle handle) override;
    midi::MidiResult GetErrorText(midi::MidiResult code, std::string& text) override;

private:
    struct Device {
        bool open = false;
        bool started = false;
        midi::MidiInCallback callback = nullptr;
        std::uintptr_t instance = 0;
        std::deque<midi::MidiHdr*> queue;
    };

    // Logs the call, then returns the injected failure of step, if any. Takes mutex_.
    std::optional<midi::MidiResult> Enter(Step step, std::int64_t device);
    Device* Find(midi::MidiInHandle handle); // under mutex_
    [[nodiscard]] bool IsOpenLocked(std::int32_t device) const;
    void RunOnDeliveryThread(std::function<void()> job);
    void WorkerLoop();

    const std::vector<std::string> names_;
    mutable std::mutex mutex_;
    std::vector<Device> devices_;
    std::map<Step, midi::MidiResult> failures_;
    std::map<midi::MidiResult, std::string> texts_;
    const std::shared_ptr<CallLog> log_ = std::make_shared<CallLog>();

    std::mutex jobsMutex_;
    std::condition_variable jobsChanged_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread worker_;
};

} // namespace tonvarra::test
