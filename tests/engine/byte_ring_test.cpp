// SPDX-License-Identifier: GPL-3.0-or-later
// The ring between PortAudio's callback and the device thread: bytes come out in the order they
// went in across the wrap of its storage, and silence fills exactly the room it is given.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "device/byte_ring.h"

namespace {

using brenvik::device::ByteRing;

std::vector<std::byte> bytes(std::initializer_list<int> values)
{
    std::vector<std::byte> out;
    for (int value : values) {
        out.push_back(std::byte(value));
    }
    return out;
}

std::vector<std::byte> popAll(ByteRing& ring)
{
    std::vector<std::byte> out(ring.readable());
    out.resize(ring.pop(out));
    return out;
}

// Moves the ring's positions to offset without leaving bytes in it.
void advanceTo(ByteRing& ring, std::size_t offset)
{
    std::vector<std::byte> filler(offset, std::byte{0xEE});
    ring.push(filler);
    popAll(ring);
}

TEST(ByteRing, BytesPushedAcrossTheWrapComeOutInOrder)
{
    ByteRing ring(8);
    advanceTo(ring, 6);
    EXPECT_EQ(ring.push(bytes({1, 2, 3, 4, 5})), 5u);
    EXPECT_EQ(popAll(ring), bytes({1, 2, 3, 4, 5}));
}

TEST(ByteRing, SilenceAcrossTheWrapIsZeroAndLeavesItsNeighboursAlone)
{
    ByteRing ring(8);
    advanceTo(ring, 3);
    ring.push(std::vector<std::byte>(8, std::byte{0xFF}));  // every storage byte non-zero
    popAll(ring);
    ring.push(bytes({6}));               // storage byte 3
    EXPECT_EQ(ring.pushSilence(5), 5u);  // 4 .. 7, then 0
    ring.push(bytes({7}));               // 1
    EXPECT_EQ(popAll(ring), bytes({6, 0, 0, 0, 0, 0, 7}));
}

TEST(ByteRing, SilenceStopsWhereTheRingIsFull)
{
    ByteRing ring(8);
    advanceTo(ring, 3);
    ring.push(bytes({1, 2, 3}));
    EXPECT_EQ(ring.pushSilence(100), 5u);
    EXPECT_EQ(ring.pushSilence(1), 0u);
    EXPECT_EQ(popAll(ring), bytes({1, 2, 3, 0, 0, 0, 0, 0}));
}

}  // namespace
