// SPDX-License-Identifier: GPL-3.0-or-later
#include "ring_reorder.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace brenvik {
namespace {

// For the coarse step the track's body is cut into a power of two of equal blocks, at least this
// many, so that the one extra block copy per cycle and the fine slide (at most a block) stay cheap
// and the whole rotation near two passes over the track.
constexpr size_t kFewestBlocks = 64;

// Long tracks get more blocks, of about this many frames (256 kB): a block read as one copy's
// source is then still in the processor's cache when it is written as the next one's destination.
constexpr size_t kCachedBlockFrames = 65536;

// The track and the scratch block, with the block copies the rotation is built from. Positions
// and counts are in frames.
class RingMemory {
public:
    RingMemory(std::span<Frame> track, std::span<std::byte> scratch)
        : frames_(track),
          track_(reinterpret_cast<std::byte*>(track.data())),
          length_(track.size()),
          scratch_(scratch.data()),
          scratchFrames_(scratch.size() / sizeof(Frame))
    {}

    std::span<Frame> frames() const { return frames_; }
    size_t length() const { return length_; }
    size_t scratchFrames() const { return scratchFrames_; }

    // Track frames from..from+count-1 into the scratch block from frame slot on.
    void park(size_t slot, size_t from, size_t count)
    {
        std::memcpy(scratch_ + bytes(slot), track_ + bytes(from), bytes(count));
    }
    void unpark(size_t slot, size_t to, size_t count)
    {
        std::memcpy(track_ + bytes(to), scratch_ + bytes(slot), bytes(count));
    }
    // Copies between places that do not overlap.
    void copy(size_t from, size_t to, size_t count)
    {
        std::memcpy(track_ + bytes(to), track_ + bytes(from), bytes(count));
    }
    // Slides frames over a distance that may be shorter than their count.
    void slide(size_t from, size_t to, size_t count)
    {
        if (from != to && count != 0) {
            std::memmove(track_ + bytes(to), track_ + bytes(from), bytes(count));
        }
    }

private:
    static size_t bytes(size_t frames) { return frames * sizeof(Frame); }

    std::span<Frame> frames_;
    std::byte* track_;
    size_t length_;
    std::byte* scratch_;
    size_t scratchFrames_;
};

// The track's body cut into `count` blocks; the tail behind it is shorter than `count` frames.
struct Blocks {
    size_t count;
    size_t length;

    static Blocks of(size_t trackLength)
    {
        size_t count = kFewestBlocks;
        while (trackLength / (2 * count) >= kCachedBlockFrames) {
            count *= 2;
        }
        return {count, trackLength / count};
    }
    size_t body() const { return count * length; }
};

// The first `body` frames have been rotated left by `done`; the tail behind them is untouched.
// Completes the rotation of the whole track left by done + extra (extra <= body - done): the
// first `extra` frames and the tail wait in the scratch block while the rest slides into place.
void finishBeyond(RingMemory& ring, size_t body, size_t done, size_t extra)
{
    const size_t tail = ring.length() - body;
    const size_t rest = body - done - extra;
    ring.park(0, 0, extra);
    ring.park(extra, body, tail);
    ring.slide(extra, 0, rest);
    ring.slide(body - done, rest + tail, done);
    ring.unpark(extra, rest, tail);
    ring.unpark(0, ring.length() - extra, extra);
}

// As finishBeyond, for the rotation left by done - excess (0 < excess <= done).
void finishShort(RingMemory& ring, size_t body, size_t done, size_t excess)
{
    const size_t tail = ring.length() - body;
    const size_t lead = body - done;
    const size_t wrapped = done - excess;
    ring.park(0, body - excess, excess);
    ring.park(excess, body, tail);
    ring.slide(lead, ring.length() - wrapped, wrapped);
    ring.slide(0, excess, lead);
    ring.unpark(0, 0, excess);
    ring.unpark(excess, excess + lead, tail);
}

// Rotation by small steps of at most one scratch block each; for positions near either end
// one step does it, otherwise it serves tracks too short for the block method.
void rotateInSteps(RingMemory& ring, size_t position)
{
    const size_t length = ring.length();
    const size_t step = ring.scratchFrames();
    if (step == 0) {
        // A track of fewer than 8 frames has no room for a frame in its scratch block; it is
        // turned by swaps instead.
        std::rotate(ring.frames().begin(), ring.frames().begin() + position, ring.frames().end());
        return;
    }
    if (position <= length - position) {
        for (size_t left = position; left > 0; left -= std::min(left, step)) {
            finishBeyond(ring, length, 0, std::min(left, step));
        }
    } else {
        for (size_t right = length - position; right > 0; right -= std::min(right, step)) {
            finishShort(ring, length, length, std::min(right, step));
        }
    }
}

// Rotates the body's blocks left by `shift` blocks, cycle by cycle, one block at a time through
// the scratch block: the cycle's first block is parked, each following block moves into the place
// of the one before it, and the parked block goes to the place of the last.
void rotateWholeBlocks(RingMemory& ring, Blocks blocks, size_t shift)
{
    const size_t cycles = std::gcd(blocks.count, shift);
    for (size_t first = 0; first < cycles; ++first) {
        ring.park(0, first * blocks.length, blocks.length);
        size_t to = first;
        for (size_t from = (first + shift) % blocks.count; from != first;
             from = (from + shift) % blocks.count) {
            ring.copy(from * blocks.length, to * blocks.length, blocks.length);
            to = from;
        }
        ring.unpark(0, to * blocks.length, blocks.length);
    }
}

// Frames copied when the body's blocks turn by `shift` and the rest is finished by a slide.
size_t blockPlanCost(const RingMemory& ring, Blocks blocks, size_t shift, size_t position)
{
    const size_t tail = ring.length() - blocks.body();
    const size_t turned = shift * blocks.length;
    const size_t remainder = std::max(turned, position) - std::min(turned, position);
    const size_t turning = blocks.body() + std::gcd(blocks.count, shift) * blocks.length;
    const bool sliding = remainder != 0 || tail != 0;
    return turning + (sliding ? ring.length() + remainder + tail : 0);
}

// Turns whole blocks of the body close to the position, then slides by what is left over (less
// than a block either way) while putting the tail in its place.
void rotateByBlocks(RingMemory& ring, Blocks blocks, size_t position)
{
    const size_t below = position / blocks.length;
    const size_t shift = blockPlanCost(ring, blocks, below, position) <=
                                 blockPlanCost(ring, blocks, below + 1, position)
                             ? below
                             : below + 1;
    rotateWholeBlocks(ring, blocks, shift);
    const size_t turned = shift * blocks.length;
    if (turned <= position) {
        finishBeyond(ring, blocks.body(), turned, position - turned);
    } else {
        finishShort(ring, blocks.body(), turned, turned - position);
    }
}

}  // namespace

void reorderRing(std::span<Frame> track, std::span<std::byte> scratch, int64_t p)
{
    const auto length = static_cast<int64_t>(track.size());
    if (p <= 0 || p >= length) {
        return;
    }
    RingMemory ring(track, scratch);
    const auto position = static_cast<size_t>(p);
    const Blocks blocks = Blocks::of(ring.length());
    const size_t tail = ring.length() - blocks.body();
    const size_t nearestEnd = std::min(position, ring.length() - position);
    // The block method parks up to a block plus the tail; near either end one slide is cheaper.
    const bool blocksFit = blocks.length > 0 && blocks.length + tail <= ring.scratchFrames();
    if (nearestEnd <= ring.scratchFrames() || !blocksFit) {
        rotateInSteps(ring, position);
    } else {
        rotateByBlocks(ring, blocks, position);
    }
}

}  // namespace brenvik
