#include "midi/byte_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tonvarra::midi {
namespace {

std::vector<std::uint8_t> Record(std::size_t length, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i);
    }
    return bytes;
}

TEST(ByteRing, RecordsComeOutWholeAndInOrderAcrossTheWrap) {
    ByteRing ring(64);
    std::vector<std::uint8_t> out(64);
    // 3-byte records with their 4-byte length do not divide 64, so they straddle the end.
    for (std::uint8_t i = 0; i < 40; ++i) {
        ASSERT_TRUE(ring.Push(Record(3, i)));
        ASSERT_TRUE(ring.Push(Record(1 + i % 5, i)));
        ASSERT_EQ(ring.Pop(out), 3u);
        EXPECT_EQ(std::vector(out.begin(), out.begin() + 3), Record(3, i));
        ASSERT_EQ(ring.Pop(out), 1u + i % 5);
        EXPECT_EQ(std::vector(out.begin(), out.begin() + 1 + i % 5), Record(1 + i % 5, i));
    }
    EXPECT_EQ(ring.Pop(out), 0u);
}

TEST(ByteRing, RefusesWhatDoesNotFitAndKeepsWhatItHas) {
    ByteRing ring(64);
    std::vector<std::uint8_t> out(64);
    EXPECT_FALSE(ring.Push(Record(61, 0))); // 4 + 61 > 64
    ASSERT_TRUE(ring.Push(Record(60, 1)));
    EXPECT_FALSE(ring.Push(Record(1, 2)));
    ASSERT_EQ(ring.Pop(out), 60u);
    EXPECT_EQ(std::vector(out.begin(), out.begin() + 60), Record(60, 1));
    EXPECT_TRUE(ring.Push(Record(1, 2)));
}

TEST(ByteRing, TooLongRecordForTheReaderIsSkippedAndReported) {
    ByteRing ring(64);
    ASSERT_TRUE(ring.Push(Record(10, 0)));
    ASSERT_TRUE(ring.Push(Record(2, 5)));
    std::vector<std::uint8_t> small(4);
    EXPECT_EQ(ring.Pop(small), 5u);
    EXPECT_EQ(ring.Pop(small), 2u);
}

TEST(ByteRing, OneProducerAndOneConsumerLoseNothing) {
    ByteRing ring(256);
    constexpr int count = 100000;
    std::thread producer([&] {
        for (int i = 0; i < count; ++i) {
            const std::uint8_t message[3] = {0x90, static_cast<std::uint8_t>(i & 0x7F),
                                             static_cast<std::uint8_t>((i >> 7) & 0x7F)};
            while (!ring.Push(message)) {
                std::this_thread::yield();
            }
        }
    });
    std::vector<std::uint8_t> out(16);
    int received = 0;
    bool inOrder = true;
    while (received < count) {
        if (ring.Pop(out) == 0) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && out[1] == (received & 0x7F) && out[2] == ((received >> 7) & 0x7F);
        ++received;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
}

} // namespace
} // namespace tonvarra::midi
