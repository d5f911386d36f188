#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace tonvarra::midi {

// ByteRing: a lock-free single-producer/single-consumer queue of byte records
// (MIDI messages), for handing messages out of a real-time callback that may
// neither block nor allocate. Push and Pop never wait; a record that does not
// fit is refused, and the caller counts it.
class ByteRing {
public:
    // capacity is rounded up to a power of two.
    explicit ByteRing(std::size_t capacity)
        : size_(RoundUp(capacity))
        , data_(new std::uint8_t[size_]) {}
    ByteRing(const ByteRing&) = delete;
    ByteRing& operator=(const ByteRing&) = delete;

    // Producer only. False when the record does not fit now.
    bool Push(std::span<const std::uint8_t> record) {
        const std::uint64_t head = head_.load(std::memory_order_relaxed);
        const std::uint64_t tail = tail_.load(std::memory_order_acquire);
        const std::uint64_t needed = sizeof(std::uint32_t) + record.size();
        if (needed > size_ - (head - tail)) {
            return false;
        }
        const auto length = static_cast<std::uint32_t>(record.size());
        Write(head, &length, sizeof length);
        Write(head + sizeof length, record.data(), record.size());
        head_.store(head + needed, std::memory_order_release);
        return true;
    }

    // Consumer only. Copies the oldest record into out and returns its length, 0 when the
    // ring is empty. A record longer than out is dropped and reported as out.size() + 1.
    std::size_t Pop(std::span<std::uint8_t> out) {
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        const std::uint64_t head = head_.load(std::memory_order_acquire);
        if (head == tail) {
            return 0;
        }
        std::uint32_t length = 0;
        Read(tail, &length, sizeof length);
        const bool fits = length <= out.size();
        if (fits) {
            Read(tail + sizeof length, out.data(), length);
        }
        tail_.store(tail + sizeof length + length, std::memory_order_release);
        return fits ? length : out.size() + 1;
    }

    [[nodiscard]] std::size_t Capacity() const { return size_; }

private:
    static std::size_t RoundUp(std::size_t n) {
        std::size_t size = 64;
        while (size < n) {
            size *= 2;
        }
        return size;
    }

    void Write(std::uint64_t at, const void* from, std::size_t count) {
        if (count == 0) {
            return;
        }
        const std::size_t start = at & (size_ - 1);
        const std::size_t first = count < size_ - start ? count : size_ - start;
        std::memcpy(data_.get() + start, from, first);
        std::memcpy(data_.get(), static_cast<const std::uint8_t*>(from) + first, count - first);
    }

    void Read(std::uint64_t at, void* to, std::size_t count) const {
        if (count == 0) {
            return;
        }
        const std::size_t start = at & (size_ - 1);
        const std::size_t first = count < size_ - start ? count : size_ - start;
        std::memcpy(to, data_.get() + start, first);
        std::memcpy(static_cast<std::uint8_t*>(to) + first, data_.get(), count - first);
    }

    const std::size_t size_;
    std::unique_ptr<std::uint8_t[]> data_;
    alignas(64) std::atomic<std::uint64_t> head_{0}; // written by the producer
    alignas(64) std::atomic<std::uint64_t> tail_{0}; // written by the consumer
};

} // namespace tonvarra::midi
