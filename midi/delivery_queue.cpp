#include "midi/delivery_queue.h"

#include <algorithm>
#include <vector>

namespace tonvarra::midi {

DeliveryQueue::DeliveryQueue(MidiInHandle handle, MidiInCallback callback, std::uintptr_t instance,
                             std::atomic<std::uint64_t>& lost, std::size_t ringBytes)
    : handle_(handle)
    , callback_(callback)
    , instance_(instance)
    , lost_(lost)
    , ring_(ringBytes)
    , delivery_([this] { DeliveryLoop(); }) {}

DeliveryQueue::~DeliveryQueue() {
    Shutdown();
}

void DeliveryQueue::Push(std::span<const std::uint8_t> message) {
    if (!started_.load(std::memory_order_acquire) || message.empty()) {
        return;
    }
    if (!ring_.Push(message)) {
        lost_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Wake();
}

MidiResult DeliveryQueue::Stop() {
    started_.store(false, std::memory_order_release);
    return Barrier(false);
}

MidiResult DeliveryQueue::Reset() {
    started_.store(false, std::memory_order_release);
    return Barrier(true);
}

MidiResult DeliveryQueue::AddBuffer(MidiHdr& header) {
    const std::lock_guard lock(queueMutex_);
    queue_.push_back(&header);
    return midi_result::NoError;
}

bool DeliveryQueue::HasQueuedBuffers() {
    const std::lock_guard lock(queueMutex_);
    return !queue_.empty();
}

void DeliveryQueue::Shutdown() {
    started_.store(false, std::memory_order_release);
    if (delivery_.joinable()) {
        quit_.store(true, std::memory_order_release);
        Wake();
        delivery_.join();
    }
}

// Waits for the delivery thread to pass its next turn: whatever callback ran
// when this was asked has returned by then.
MidiResult DeliveryQueue::Barrier(bool returnBuffers) {
    if (std::this_thread::get_id() == delivery_.get_id() || !delivery_.joinable()) {
        return midi_result::Error;
    }
    if (returnBuffers) {
        returnBuffers_.store(true, std::memory_order_release);
    }
    const std::uint32_t ticket = barrierRequested_.fetch_add(1, std::memory_order_acq_rel) + 1;
    Wake();
    for (std::uint32_t done = barrierDone_.load(std::memory_order_acquire);
         static_cast<std::int32_t>(ticket - done) > 0; done = barrierDone_.load(std::memory_order_acquire)) {
        barrierDone_.wait(done, std::memory_order_acquire);
    }
    return midi_result::NoError;
}

void DeliveryQueue::Wake() {
    wake_.fetch_add(1, std::memory_order_release);
    wake_.notify_one();
}

void DeliveryQueue::DeliveryLoop() {
    std::vector<std::uint8_t> scratch(ring_.Capacity());
    for (;;) {
        // Read before looking for work, so that a Wake after the look ends the wait at once.
        const std::uint32_t seen = wake_.load(std::memory_order_acquire);
        if (quit_.load(std::memory_order_acquire)) {
            return;
        }
        const std::uint32_t requested = barrierRequested_.load(std::memory_order_acquire);
        if (requested != barrierDone_.load(std::memory_order_relaxed)) {
            while (ring_.Pop(scratch) != 0) {
            }
            if (returnBuffers_.exchange(false, std::memory_order_acq_rel)) {
                ReturnQueuedBuffers();
            }
            barrierDone_.store(requested, std::memory_order_release);
            barrierDone_.notify_all();
            continue;
        }
        const std::size_t length = ring_.Pop(scratch);
        if (length == 0) {
            wake_.wait(seen, std::memory_order_acquire);
        } else if (length > scratch.size()) {
            lost_.fetch_add(1, std::memory_order_relaxed);
        } else if (started_.load(std::memory_order_acquire)) {
            Deliver(std::span(scratch.data(), length));
        }
    }
}

void DeliveryQueue::Deliver(std::span<const std::uint8_t> message) {
    if (message[0] == 0xF0) {
        DeliverSysEx(message);
        return;
    }
    // 1- and 2-byte messages (clock, program change) go out with the missing bytes as 0.
    std::uintptr_t packed = message[0];
    if (message.size() > 1) {
        packed |= std::uintptr_t{message[1]} << 8;
    }
    if (message.size() > 2) {
        packed |= std::uintptr_t{message[2]} << 16;
    }
    callback_(handle_, MIM_DATA, instance_, packed, 0);
}

// Fills the queued buffers in turn; the receiver queues each one again from
// inside the callback, so a long message goes through one buffer chunk by chunk.
void DeliveryQueue::DeliverSysEx(std::span<const std::uint8_t> message) {
    while (!message.empty()) {
        MidiHdr* header = nullptr;
        {
            const std::lock_guard lock(queueMutex_);
            if (queue_.empty()) {
                lost_.fetch_add(1, std::memory_order_relaxed);
                return;
            }
            header = queue_.front();
            queue_.pop_front();
        }
        const std::size_t chunk = std::min<std::size_t>(header->dwBufferLength, message.size());
        std::copy_n(message.begin(), chunk, header->lpData);
        message = message.subspan(chunk);
        header->dwBytesRecorded = static_cast<std::uint32_t>(chunk);
        header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
        callback_(handle_, MIM_LONGDATA, instance_, reinterpret_cast<std::uintptr_t>(header), 0);
    }
}

void DeliveryQueue::ReturnQueuedBuffers() {
    std::deque<MidiHdr*> returned;
    {
        const std::lock_guard lock(queueMutex_);
        returned.swap(queue_);
    }
    for (MidiHdr* header : returned) {
        header->dwBytesRecorded = 0;
        header->dwFlags = (header->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
        callback_(handle_, MIM_LONGDATA, instance_, reinterpret_cast<std::uintptr_t>(header), 0);
    }
}

} // namespace tonvarra::midi
