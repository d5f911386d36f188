#include "midi/delivery_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tonvarra::midi {
namespace {

using namespace std::chrono_literals;

struct Call {
    std::uint32_t message;
    std::uintptr_t param1;
    std::uint32_t recorded;
    std::uint32_t flags;
    std::thread::id thread;
};

// The receiving end: records each callback, optionally slowly, optionally
// queueing a returned buffer again as the manager does.
struct Receiver {
    static void Callback(MidiInHandle, std::uint32_t message, std::uintptr_t instance, std::uintptr_t param1,
                         std::uintptr_t) {
        auto& self = *reinterpret_cast<Receiver*>(instance);
        std::uint32_t recorded = 0;
        std::uint32_t flags = 0;
        if (message == MIM_LONGDATA) {
            auto* header = reinterpret_cast<MidiHdr*>(param1);
            recorded = header->dwBytesRecorded;
            flags = header->dwFlags;
        }
        {
            std::unique_lock lock(self.mutex);
            self.inside = true;
            self.calls.push_back({message, param1, recorded, flags, std::this_thread::get_id()});
            self.changed.notify_all();
            self.changed.wait_for(lock, self.delay, [&] { return false; });
            self.inside = false;
        }
        if (message == MIM_LONGDATA && recorded != 0 && self.requeue) {
            auto* header = reinterpret_cast<MidiHdr*>(param1);
            header->dwFlags = (header->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
            (void)self.queue->AddBuffer(*header);
        }
    }

    std::vector<Call> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 10s, [&] { return calls.size() >= count; });
        return calls;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Call> calls;
    bool inside = false;
    std::chrono::milliseconds delay{0};
    bool requeue = false;
    DeliveryQueue* queue = nullptr;
};

class DeliveryQueueTest : public ::testing::Test {
protected:
    explicit DeliveryQueueTest(std::size_t ringBytes = DeliveryQueue::DefaultRingBytes)
        : queue(7, &Receiver::Callback, reinterpret_cast<std::uintptr_t>(&receiver), lost, ringBytes) {
        receiver.queue = &queue;
    }

    void Push(std::vector<std::uint8_t> bytes) { queue.Push(bytes); }

    Receiver receiver;
    std::atomic<std::uint64_t> lost{0};
    DeliveryQueue queue;
};

TEST_F(DeliveryQueueTest, MessagesFromAnotherThreadArriveInOrderOnTheDeliveryThread) {
    queue.Start();
    constexpr int count = 20000;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) {
            switch (i % 3) {
            case 0:
                Push({0x90, static_cast<std::uint8_t>(i & 0x7F), 0x64});
                break;
            case 1:
                Push({0xC0, static_cast<std::uint8_t>(i & 0x7F)});
                break; // program change: 2 bytes
            default:
                Push({0xF8});
                break; // clock: 1 byte
            }
        }
    });
    producer.join();
    const auto calls = receiver.WaitFor(count);
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uintptr_t expected = i % 3 == 0   ? 0x640090u | std::uintptr_t(i & 0x7F) << 8
                                        : i % 3 == 1 ? 0xC0u | std::uintptr_t(i & 0x7F) << 8
                                                     : 0xF8u;
        ASSERT_EQ(calls[i].message, MIM_DATA);
        ASSERT_EQ(calls[i].param1, expected) << "message " << i;
        ASSERT_NE(calls[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(lost.load(), 0u);
}

TEST_F(DeliveryQueueTest, NothingArrivesBeforeStartAndNoCallbackRunsOnceStopReturned) {
    Push({0x90, 0x3C, 0x64});
    receiver.delay = 30ms;
    queue.Start();
    for (int i = 0; i < 5; ++i) {
        Push({0x90, 0x3C, 0x64});
    }
    receiver.WaitFor(1);
    EXPECT_EQ(queue.Stop(), midi_result::NoError);
    std::size_t afterStop = 0;
    {
        const std::lock_guard lock(receiver.mutex);
        EXPECT_FALSE(receiver.inside);
        afterStop = receiver.calls.size();
    }
    Push({0x80, 0x3C, 0x00});
    std::this_thread::sleep_for(100ms);
    const std::lock_guard lock(receiver.mutex);
    EXPECT_EQ(receiver.calls.size(), afterStop);
    EXPECT_LT(afterStop, 5u);
}

TEST_F(DeliveryQueueTest, LongMessageGoesThroughTheQueuedBufferChunkByChunk) {
    std::vector<std::uint8_t> storage(16);
    MidiHdr header{storage.data(), 16, 0, MHDR_PREPARED | MHDR_INQUEUE};
    receiver.requeue = true;
    ASSERT_EQ(queue.AddBuffer(header), midi_result::NoError);
    queue.Start();
    std::vector<std::uint8_t> dump(40, 0x11);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    Push(dump);
    const auto calls = receiver.WaitFor(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].recorded, 16u);
    EXPECT_EQ(calls[1].recorded, 16u);
    EXPECT_EQ(calls[2].recorded, 8u);
    for (const Call& call : calls) {
        EXPECT_EQ(call.message, MIM_LONGDATA);
        EXPECT_EQ(call.flags & (MHDR_DONE | MHDR_INQUEUE), MHDR_DONE);
    }
    EXPECT_EQ(storage[7], 0xF7);                   // the last chunk ends the message
    ASSERT_EQ(queue.Stop(), midi_result::NoError); // the last callback has queued it again
    EXPECT_TRUE(queue.HasQueuedBuffers());
}

TEST_F(DeliveryQueueTest, ResetReturnsEveryQueuedBufferEmptyBeforeItReturns) {
    std::vector<std::uint8_t> a(16), b(16);
    MidiHdr first{a.data(), 16, 0, MHDR_PREPARED | MHDR_INQUEUE};
    MidiHdr second{b.data(), 16, 0, MHDR_PREPARED | MHDR_INQUEUE};
    ASSERT_EQ(queue.AddBuffer(first), midi_result::NoError);
    ASSERT_EQ(queue.AddBuffer(second), midi_result::NoError);
    queue.Start();
    EXPECT_EQ(queue.Reset(), midi_result::NoError);
    const std::lock_guard lock(receiver.mutex);
    ASSERT_EQ(receiver.calls.size(), 2u);
    EXPECT_EQ(receiver.calls[0].param1, reinterpret_cast<std::uintptr_t>(&first));
    EXPECT_EQ(receiver.calls[1].param1, reinterpret_cast<std::uintptr_t>(&second));
    for (const Call& call : receiver.calls) {
        EXPECT_EQ(call.recorded, 0u);
        EXPECT_EQ(call.flags & (MHDR_DONE | MHDR_INQUEUE), MHDR_DONE);
    }
    EXPECT_FALSE(queue.HasQueuedBuffers());
}

TEST_F(DeliveryQueueTest, SysExWithNoBufferQueuedIsCountedAsLost) {
    queue.Start();
    Push({0xF0, 0x01, 0xF7});
    Push({0x90, 0x3C, 0x64});
    ASSERT_EQ(receiver.WaitFor(1).size(), 1u);
    EXPECT_EQ(lost.load(), 1u);
}

class SmallRingTest : public DeliveryQueueTest {
protected:
    SmallRingTest()
        : DeliveryQueueTest(64) {}
};

TEST_F(SmallRingTest, WhatDoesNotFitIsCountedNeverSilentlyDropped) {
    receiver.delay = 200ms; // the first delivery holds the thread while the ring fills
    queue.Start();
    constexpr std::size_t sent = 50;
    Push({0x90, 0x00, 0x64});
    receiver.WaitFor(1);
    for (std::size_t i = 1; i < sent; ++i) {
        Push({0x90, static_cast<std::uint8_t>(i), 0x64});
    }
    EXPECT_GT(lost.load(), 0u);
    const auto delivered = receiver.WaitFor(sent - lost.load()).size();
    EXPECT_EQ(delivered + lost.load(), sent);
}

} // namespace
} // namespace tonvarra::midi
