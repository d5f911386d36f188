#pragma once

#include "midi/byte_ring.h"
#include "midi/midi_in_driver.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>

namespace tonvarra::midi {

// DeliveryQueue: the hand-off between a MIDI back end's receiving thread and
// the callback of one open device, on a delivery thread of the queue's own.
//
// The back end may call Push from a real-time context (JACK's process cycle),
// where waiting or allocating loses messages: Push only copies into a
// lock-free ring. The delivery thread turns each message into the callback's
// MIM_DATA or MIM_LONGDATA form, so a slow handler never holds up the back end.
class DeliveryQueue {
public:
    static constexpr std::size_t DefaultRingBytes = 256 * 1024;

    // lost counts what could not be delivered; it must outlive the queue.
    DeliveryQueue(MidiInHandle handle, MidiInCallback callback, std::uintptr_t instance,
                  std::atomic<std::uint64_t>& lost, std::size_t ringBytes = DefaultRingBytes);
    ~DeliveryQueue();
    DeliveryQueue(const DeliveryQueue&) = delete;
    DeliveryQueue& operator=(const DeliveryQueue&) = delete;

    // One producer thread only. Never waits, never allocates; a message arriving while
    // input is stopped is dropped, one that does not fit is counted as lost.
    void Push(std::span<const std::uint8_t> message);

    void Start() { started_.store(true, std::memory_order_release); }
    // Returns once no callback runs any more and what waited is dropped.
    [[nodiscard]] MidiResult Stop();
    // As Stop, and every queued buffer has come back through the callback with a count of 0.
    [[nodiscard]] MidiResult Reset();

    [[nodiscard]] MidiResult AddBuffer(MidiHdr& header);
    [[nodiscard]] bool HasQueuedBuffers();

    // Ends the delivery thread; call it once the producer has stopped pushing.
    void Shutdown();

private:
    MidiResult Barrier(bool returnBuffers);
    void Wake();
    void DeliveryLoop();
    void Deliver(std::span<const std::uint8_t> message);
    void DeliverSysEx(std::span<const std::uint8_t> message);
    void ReturnQueuedBuffers();

    const MidiInHandle handle_;
    const MidiInCallback callback_;
    const std::uintptr_t instance_;
    std::atomic<std::uint64_t>& lost_;
    ByteRing ring_;
    std::atomic<bool> started_{false};
    std::atomic<bool> quit_{false};
    std::atomic<bool> returnBuffers_{false};
    std::atomic<std::uint32_t> wake_{0};
    std::atomic<std::uint32_t> barrierRequested_{0};
    std::atomic<std::uint32_t> barrierDone_{0};
    std::mutex queueMutex_; // the buffers; taken on the system-exclusive path only
    std::deque<MidiHdr*> queue_;
    std::thread delivery_;
};

} // namespace tonvarra::midi
