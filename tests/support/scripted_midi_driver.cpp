#include "support/scripted_midi_driver.h"

#include <algorithm>
#include <future>
#include <utility>

namespace tonvarra::test {

using midi::MidiHdr;
using midi::MidiInHandle;
using midi::MidiResult;
namespace result = midi::midi_result;

namespace {

const char* StepName(ScriptedMidiDriver::Step step) {
    using Step = ScriptedMidiDriver::Step;
    switch (step) {
    case Step::GetDevCaps:
        return "GetDevCaps";
    case Step::Open:
        return "Open";
    case Step::PrepareHeader:
        return "PrepareHeader";
    case Step::AddBuffer:
        return "AddBuffer";
    case Step::Start:
        return "Start";
    case Step::Stop:
        return "Stop";
    case Step::Reset:
        return "Reset";
    case Step::UnprepareHeader:
        return "UnprepareHeader";
    case Step::Close:
        return "Close";
    }
    return "?";
}

// Handles are device number + 1, so that 0 stays the empty handle.
std::int64_t DeviceOf(MidiInHandle handle) {
    return static_cast<std::int64_t>(handle) - 1;
}

} // namespace

ScriptedMidiDriver::ScriptedMidiDriver(std::vector<std::string> deviceNames)
    : names_(std::move(deviceNames))
    , devices_(names_.size())
    , worker_([this] { WorkerLoop(); }) {}

ScriptedMidiDriver::~ScriptedMidiDriver() {
    {
        const std::lock_guard lock(jobsMutex_);
        quit_ = true;
    }
    jobsChanged_.notify_all();
    worker_.join();
}

std::function<std::unique_ptr<midi::MidiInDriver>()>
ScriptedMidiDriver::Factory(std::vector<std::string> deviceNames, ScriptedMidiDriver** made) {
    return [deviceNames = std::move(deviceNames), made]() -> std::unique_ptr<midi::MidiInDriver> {
        auto driver = std::make_unique<ScriptedMidiDriver>(deviceNames);
        if (made != nullptr) {
            *made = driver.get();
        }
        return driver;
    };
}

void ScriptedMidiDriver::Fail(Step step, MidiResult code, std::optional<std::string> text) {
    const std::lock_guard lock(mutex_);
    failures_[step] = code;
    if (text) {
        texts_[code] = *text;
    } else {
        texts_.erase(code);
    }
}

void ScriptedMidiDriver::Heal(Step step) {
    const std::lock_guard lock(mutex_);
    failures_.erase(step);
}

std::optional<MidiResult> ScriptedMidiDriver::Enter(Step step, std::int64_t device) {
    log_->Add(std::string(StepName(step)) + " " + std::to_string(device));
    const auto failure = failures_.find(step);
    if (failure != failures_.end()) {
        return failure->second;
    }
    return std::nullopt;
}

ScriptedMidiDriver::Device* ScriptedMidiDriver::Find(MidiInHandle handle) {
    const std::int64_t device = DeviceOf(handle);
    if (device < 0 || device >= static_cast<std::int64_t>(devices_.size()) ||
        !devices_[static_cast<std::size_t>(device)].open) {
        return nullptr;
    }
    return &devices_[static_cast<std::size_t>(device)];
}

void ScriptedMidiDriver::RunOnDeliveryThread(std::function<void()> job) {
    if (std::this_thread::get_id() == worker_.get_id()) {
        job();
        return;
    }
    std::packaged_task<void()> task(std::move(job));
    std::future<void> done = task.get_future();
    {
        const std::lock_guard lock(jobsMutex_);
        jobs_.emplace_back([&task] { task(); });
    }
    jobsChanged_.notify_all();
    done.get();
}

void ScriptedMidiDriver::WorkerLoop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(jobsMutex_);
            jobsChanged_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

bool ScriptedMidiDriver::Deliver(std::int32_t device, std::uint8_t status, std::uint8_t data1,
                                 std::uint8_t data2) {
    bool delivered = false;
    RunOnDeliveryThread([&] {
        midi::MidiInCallback callback = nullptr;
        std::uintptr_t instance = 0;
        {
            const std::lock_guard lock(mutex_);
            Device* d = Find(static_cast<MidiInHandle>(device) + 1);
            if (d == nullptr || !d->started) {
                return;
            }
            callback = d->callback;
            instance = d->instance;
        }
        const auto packed = static_cast<std::uintptr_t>(status | data1 << 8 | data2 << 16);
        callback(static_cast<MidiInHandle>(device) + 1, midi::MIM_DATA, instance, packed, 0);
        delivered = true;
    });
    return delivered;
}

bool ScriptedMidiDriver::DeliverSysEx(std::int32_t device, const std::vector<std::uint8_t>& bytes) {
    bool delivered = true;
    RunOnDeliveryThread([&] {
        const auto handle = static_cast<MidiInHandle>(device) + 1;
        std::size_t offset = 0;
        while (offset < bytes.size()) {
            midi::MidiInCallback callback = nullptr;
            std::uintptr_t instance = 0;
            MidiHdr* header = nullptr;
            {
                const std::lock_guard lock(mutex_);
                Device* d = Find(handle);
                if (d == nullptr || !d->started || d->queue.empty()) {
                    delivered = false;
                    return;
                }
                header = d->queue.front();
                d->queue.pop_front();
                const std::size_t chunk =
                    std::min<std::size_t>(header->dwBufferLength, bytes.size() - offset);
                std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), chunk, header->lpData);
                offset += chunk;
                header->dwBytesRecorded = static_cast<std::uint32_t>(chunk);
                header->dwFlags = (header->dwFlags & ~midi::MHDR_INQUEUE) | midi::MHDR_DONE;
                callback = d->callback;
                instance = d->instance;
            }
            callback(handle, midi::MIM_LONGDATA, instance, reinterpret_cast<std::uintptr_t>(header), 0);
        }
    });
    return delivered;
}

bool ScriptedMidiDriver::IsOpen(std::int32_t device) const {
    const std::lock_guard lock(mutex_);
    return IsOpenLocked(device);
}

bool ScriptedMidiDriver::IsOpenLocked(std::int32_t device) const {
    return device >= 0 && static_cast<std::size_t>(device) < devices_.size() &&
           devices_[static_cast<std::size_t>(device)].open;
}

bool ScriptedMidiDriver::IsStarted(std::int32_t device) const {
    const std::lock_guard lock(mutex_);
    return IsOpenLocked(device) && devices_[static_cast<std::size_t>(device)].started;
}

std::size_t ScriptedMidiDriver::QueuedBuffers(std::int32_t device) const {
    const std::lock_guard lock(mutex_);
    return IsOpenLocked(device) ? devices_[static_cast<std::size_t>(device)].queue.size() : 0;
}

void ScriptedMidiDriver::CallLog::Add(std::string call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> ScriptedMidiDriver::CallLog::Calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
}

void ScriptedMidiDriver::CallLog::Clear() {
    const std::lock_guard lock(mutex_);
    calls_.clear();
}

std::uint32_t ScriptedMidiDriver::GetNumDevs() {
    return static_cast<std::uint32_t>(names_.size());
}

MidiResult ScriptedMidiDriver::GetDevCaps(std::uint32_t device, std::string& name) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::GetDevCaps, device)) {
        return *failure;
    }
    if (device >= names_.size()) {
        return result::BadDeviceId;
    }
    name = names_[device];
    return result::NoError;
}

MidiResult ScriptedMidiDriver::Open(MidiInHandle& handle, std::uint32_t device, midi::MidiInCallback callback,
                                    std::uintptr_t instance) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::Open, device)) {
        return *failure;
    }
    if (device >= devices_.size()) {
        return result::BadDeviceId;
    }
    Device& d = devices_[device];
    if (d.open) {
        return result::Allocated;
    }
    d = Device{true, false, callback, instance, {}};
    handle = static_cast<MidiInHandle>(device) + 1;
    return result::NoError;
}

MidiResult ScriptedMidiDriver::PrepareHeader(MidiInHandle handle, MidiHdr& header) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::PrepareHeader, DeviceOf(handle))) {
        return *failure;
    }
    if (Find(handle) == nullptr) {
        return result::InvalidHandle;
    }
    header.dwFlags |= midi::MHDR_PREPARED;
    return result::NoError;
}

MidiResult ScriptedMidiDriver::AddBuffer(MidiInHandle handle, MidiHdr& header) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::AddBuffer, DeviceOf(handle))) {
        return *failure;
    }
    Device* d = Find(handle);
    if (d == nullptr) {
        return result::InvalidHandle;
    }
    if ((header.dwFlags & midi::MHDR_PREPARED) == 0) {
        return result::Unprepared;
    }
    if ((header.dwFlags & midi::MHDR_INQUEUE) != 0) {
        return result::StillPlaying;
    }
    header.dwFlags = (header.dwFlags & ~midi::MHDR_DONE) | midi::MHDR_INQUEUE;
    d->queue.push_back(&header);
    return result::NoError;
}

MidiResult ScriptedMidiDriver::Start(MidiInHandle handle) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::Start, DeviceOf(handle))) {
        return *failure;
    }
    Device* d = Find(handle);
    if (d == nullptr) {
        return result::InvalidHandle;
    }
    d->started = true;
    return result::NoError;
}

MidiResult ScriptedMidiDriver::Stop(MidiInHandle handle) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::Stop, DeviceOf(handle))) {
        return *failure;
    }
    Device* d = Find(handle);
    if (d == nullptr) {
        return result::InvalidHandle;
    }
    d->started = false;
    return result::NoError;
}

MidiResult ScriptedMidiDriver::Reset(MidiInHandle handle) {
    std::deque<MidiHdr*> returned;
    midi::MidiInCallback callback = nullptr;
    std::uintptr_t instance = 0;
    {
        const std::lock_guard lock(mutex_);
        if (auto failure = Enter(Step::Reset, DeviceOf(handle))) {
            return *failure;
        }
        Device* d = Find(handle);
        if (d == nullptr) {
            return result::InvalidHandle;
        }
        d->started = false;
        returned.swap(d->queue);
        callback = d->callback;
        instance = d->instance;
    }
    // The queued buffers come back empty through the callback, on the delivery thread.
    RunOnDeliveryThread([&] {
        for (MidiHdr* header : returned) {
            header->dwBytesRecorded = 0;
            header->dwFlags = (header->dwFlags & ~midi::MHDR_INQUEUE) | midi::MHDR_DONE;
            callback(handle, midi::MIM_LONGDATA, instance, reinterpret_cast<std::uintptr_t>(header), 0);
        }
    });
    return result::NoError;
}

MidiResult ScriptedMidiDriver::UnprepareHeader(MidiInHandle handle, MidiHdr& header) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::UnprepareHeader, DeviceOf(handle))) {
        return *failure;
    }
    if (Find(handle) == nullptr) {
        return result::InvalidHandle;
    }
    if ((header.dwFlags & midi::MHDR_INQUEUE) != 0) {
        return result::StillPlaying;
    }
    header.dwFlags &= ~midi::MHDR_PREPARED;
    return result::NoError;
}

MidiResult ScriptedMidiDriver::Close(MidiInHandle handle) {
    const std::lock_guard lock(mutex_);
    if (auto failure = Enter(Step::Close, DeviceOf(handle))) {
        return *failure;
    }
    Device* d = Find(handle);
    if (d == nullptr) {
        return result::InvalidHandle;
    }
    if (!d->queue.empty()) {
        return result::StillPlaying;
    }
    *d = Device{};
    return result::NoError;
}

MidiResult ScriptedMidiDriver::GetErrorText(MidiResult code, std::string& text) {
    const std::lock_guard lock(mutex_);
    const auto found = texts_.find(code);
    if (found == texts_.end()) {
        return result::InvalidParam;
    }
    text = found->second;
    return result::NoError;
}

} // namespace tonvarra::test
