// SPDX-License-Identifier: GPL-3.0-or-later
#include "ring_reorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

namespace brenvik {
namespace {

constexpr size_t kGuardBytes = 64;
constexpr auto kGuardByte = std::byte{0xA5};

// A track whose every frame is unique, with a scratch block of exactly length / 2 bytes between
// guard bytes that must survive every rotation.
class RingFixture {
public:
    explicit RingFixture(size_t length)
        : original_(length),
          track_(length),
          scratchBuffer_(length / 2 + 2 * kGuardBytes, kGuardByte)
    {
        for (size_t i = 0; i < length; ++i) {
            // The left value is the low half of i; the right one recovers the high half from it.
            original_[i] = {static_cast<int16_t>(i), static_cast<int16_t>((i >> 16) ^ (i * 7))};
        }
    }

    void rotate(size_t p)
    {
        track_ = original_;
        const std::span<std::byte> scratch(scratchBuffer_.data() + kGuardBytes, track_.size() / 2);
        reorderRing(track_, scratch, static_cast<int64_t>(p));
    }

    bool guardsIntact() const
    {
        const auto intact = [](auto first, auto last) {
            return std::all_of(first, last, [](std::byte b) { return b == kGuardByte; });
        };
        return intact(scratchBuffer_.begin(), scratchBuffer_.begin() + kGuardBytes) &&
               intact(scratchBuffer_.end() - kGuardBytes, scratchBuffer_.end());
    }

    // Which old frame the track's frame i now holds.
    size_t oldFrameAt(size_t i) const
    {
        const auto it = std::find_if(original_.begin(), original_.end(), [&](const Frame& f) {
            return f.left == track_[i].left && f.right == track_[i].right;
        });
        return static_cast<size_t>(it - original_.begin());
    }

    const std::vector<Frame>& original() const { return original_; }
    const std::vector<Frame>& track() const { return track_; }

private:
    std::vector<Frame> original_;
    std::vector<Frame> track_;
    std::vector<std::byte> scratchBuffer_;
};

bool sameFrames(const std::vector<Frame>& a, const std::vector<Frame>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Frame& x, const Frame& y) {
        return x.left == y.left && x.right == y.right;
    });
}

// Rotates by p and compares with a plain rotation of a copy.
void expectRotatedBy(RingFixture& ring, size_t p)
{
    ring.rotate(p);
    std::vector<Frame> expected = ring.original();
    std::rotate(expected.begin(), expected.begin() + static_cast<ptrdiff_t>(p), expected.end());
    const size_t length = expected.size();
    ASSERT_TRUE(sameFrames(ring.track(), expected)) << "length " << length << ", p " << p;
    ASSERT_TRUE(ring.guardsIntact()) << "length " << length << ", p " << p;
}

void expectEveryPositionRotates(size_t length)
{
    RingFixture ring(length);
    for (size_t p = 0; p < length; ++p) {
        expectRotatedBy(ring, p);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
    }
}

TEST(RingReorder, EveryPosition_MultipleOfEightLength_MatchesPlainRotation)
{
    for (size_t length : {800u, 1024u, 2048u}) {
        expectEveryPositionRotates(length);
    }
}

TEST(RingReorder, EveryPosition_OtherLengths_MatchesPlainRotation)
{
    // 803 and 1087 keep a tail behind the eighths and behind the blocks; 511 is too short for
    // the block method, 575 just long enough with the longest tail.
    for (size_t length : {803u, 1087u, 511u, 512u, 575u, 639u, 703u}) {
        expectEveryPositionRotates(length);
    }
}

TEST(RingReorder, EveryPosition_TinyTracks_MatchesPlainRotation)
{
    for (size_t length = 0; length <= 40; ++length) {
        expectEveryPositionRotates(length);
    }
}

TEST(RingReorder, EveryPosition_RandomLengths_MatchesPlainRotation)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> lengths(41, 4000);
    for (int i = 0; i < 5; ++i) {
        expectEveryPositionRotates(lengths(random));
    }
}

TEST(RingReorder, PositionZeroOrPastTheEnd_LeavesTrackUnchanged)
{
    RingFixture ring(800);
    ring.rotate(0);
    EXPECT_TRUE(sameFrames(ring.track(), ring.original()));
    ring.rotate(800);
    EXPECT_TRUE(sameFrames(ring.track(), ring.original()));
}

// Which old frame some frames hold after a rotation.
struct WorkedExample {
    size_t length;
    size_t p;
    std::vector<std::pair<size_t, size_t>> frameHoldsOld;
};

TEST(RingReorder, StopAfterWrap_TrackReadsOldestFirst)
{
    const WorkedExample examples[] = {
        {800, 150, {{0, 150}, {649, 799}, {650, 0}, {799, 149}}},
        {800, 10, {{0, 10}, {790, 0}}},
        {800, 700, {{0, 700}, {100, 0}}},  // whole eighths, q = 7
        {800, 100, {{0, 100}, {700, 0}}},  // whole eighths, q = 1
        {803, 50, {{0, 50}, {752, 802}, {753, 0}, {802, 49}}},
    };
    for (const WorkedExample& example : examples) {
        RingFixture ring(example.length);
        ring.rotate(example.p);
        for (const auto& [frame, old] : example.frameHoldsOld) {
            EXPECT_EQ(ring.oldFrameAt(frame), old)
                << "length " << example.length << ", p " << example.p;
        }
    }
}

TEST(RingReorder, StopAfterWrap_ChannelsMoveWithTheirFrame)
{
    RingFixture ring(800);
    ring.rotate(150);
    // Value index 1599, the right channel of the last frame, holds old value index 299.
    EXPECT_EQ(ring.track()[799].right, ring.original()[149].right);
    EXPECT_EQ(ring.track()[799].left, ring.original()[149].left);
}

TEST(RingReorder, LongTrack_ManyBlocks_MatchesPlainRotation)
{
    // Long enough to be cut into more than the fewest blocks, with a tail behind them.
    const size_t length = (size_t{1} << 23) + 1037;
    RingFixture ring(length);
    for (size_t p : {length / 8, length / 8 + 1, 3 * length / 16 + 7, length / 2, length / 2 + 1,
                     length / 2 + 65537, 7 * length / 8 - 3, length - 1}) {
        ASSERT_NO_FATAL_FAILURE(expectRotatedBy(ring, p));
    }
}

}  // namespace
}  // namespace brenvik
