// SPDX-License-Identifier: GPL-3.0-or-later
// What the output device reports as heard, from the notes PortAudio's callback leaves about the
// buffers it filled: a frame counts once the device has had time to play it, never earlier, and
// the notes pass from the callback whole.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "device/byte_ring.h"
#include "device/playout_clock.h"

namespace {

using brenvik::device::FilledBuffer;
using brenvik::device::PlayoutClock;
using brenvik::device::RecordRing;
using Clock = PlayoutClock::Clock;
using namespace std::chrono_literals;

constexpr uint32_t kFrame = 4;
constexpr uint32_t kBufferFrames = 441;  // 10 ms
const Clock::time_point kStart{};

// Buffer n of a stream of 10 ms buffers, filled at n * 10 ms, holding audioFrames of audio; the
// audio before it is that of full buffers.
FilledBuffer buffer(uint32_t n, double hostLead, uint32_t audioFrames = kBufferFrames)
{
    return {uint64_t{n} * kBufferFrames * kFrame,
            uint64_t{n} * kBufferFrames * kFrame,
            audioFrames * kFrame,
            kBufferFrames * kFrame,
            hostLead,
            kStart + n * 10ms};
}

uint64_t frames(uint64_t bytes)
{
    return bytes / kFrame;
}

TEST(PlayoutClock, NothingIsHeardBeforeTheHostsLeadHasPassed)
{
    PlayoutClock clock(0.005);
    for (uint32_t n = 0; n < 5; ++n) {
        clock.add(buffer(n, 0.030));
    }
    // Buffer 4 was filled at 40 ms, to be heard from 70 ms: 30 ms after its callback only the
    // first buffer, filled at 0 ms, has been played.
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 40ms)), 441u);
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 46ms)), 441u + 265u);
}

TEST(PlayoutClock, ALeadShorterThanTheStreamsLatencyIsNotBelieved)
{
    PlayoutClock clock(0.030);
    for (uint32_t n = 0; n < 5; ++n) {
        clock.add(buffer(n, 0.0));  // a host that says every buffer plays the moment it is filled
    }
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 40ms)), 441u);
    EXPECT_EQ(clock.lead(), std::chrono::duration_cast<Clock::duration>(30ms));
}

TEST(PlayoutClock, WithoutADacTimeTheStreamsLatencyStandsIn)
{
    for (const double unusable : {-1.0, 1.0e9}) {  // none given, or a clock of another base
        PlayoutClock clock(0.030);
        for (uint32_t n = 0; n < 5; ++n) {
            clock.add(buffer(n, unusable));
        }
        EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 40ms)), 441u) << unusable;
        EXPECT_EQ(clock.lead(), std::chrono::duration_cast<Clock::duration>(30ms)) << unusable;
    }
}

TEST(PlayoutClock, AStalledDeviceDoesNotRunTheCountAhead)
{
    PlayoutClock clock(0.030);
    for (uint32_t n = 0; n < 5; ++n) {
        clock.add(buffer(n, 0.030));
    }
    // No callback for ten seconds: the device plays on for one buffer at most, so the newest
    // buffers, still waiting for their lead, are not counted.
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 10s)), 2u * 441u);
}

TEST(PlayoutClock, OnlyTheAudioOfABufferCountsNotTheSilenceAfterIt)
{
    PlayoutClock clock(0.010);
    const auto addSilent = [&](uint32_t n) {
        FilledBuffer silent = buffer(n, 0.010, 0);
        silent.audioBytesBefore = 100 * kFrame;
        clock.add(silent);
    };
    clock.add(buffer(0, 0.010, 100));
    addSilent(1);
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 12ms)), 88u);
    for (uint32_t n = 2; n < 10; ++n) {
        addSilent(n);
    }
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 90ms)), 100u);
}

TEST(PlayoutClock, TheCountNeverFallsBack)
{
    PlayoutClock clock(0.0);
    for (uint32_t n = 0; n < 4; ++n) {
        clock.add(buffer(n, 0.010));
    }
    const uint64_t before = clock.heardAudioBytes(kStart + 35ms);
    clock.add(buffer(4, 0.018));  // the host now says its buffers take a little longer
    EXPECT_EQ(clock.heardAudioBytes(kStart + 40ms), before);
}

TEST(PlayoutClock, NotesLostOnTheWayOnlyDelayTheCount)
{
    PlayoutClock clock(0.020);
    clock.add(buffer(0, 0.020));
    clock.add(buffer(7, 0.020));  // the notes of buffers 1 .. 6 found the ring full
    // Their audio counts once the next buffer known is heard.
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 80ms)), 441u);
    clock.add(buffer(8, 0.020));
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 90ms)), 7u * 441u);
}

TEST(PlayoutClock, AResetStartsFromNothing)
{
    PlayoutClock clock(0.010);
    clock.add(buffer(0, 0.010));
    clock.add(buffer(1, 0.010));
    ASSERT_GT(clock.heardAudioBytes(kStart + 15ms), 0u);
    clock.reset();
    EXPECT_EQ(clock.heardAudioBytes(kStart + 1s), 0u);
    clock.add(buffer(0, 0.010));
    clock.add(buffer(1, 0.010));
    EXPECT_EQ(frames(clock.heardAudioBytes(kStart + 16ms)), 265u);
}

TEST(RecordRing, RecordsComeOutWholeAndInOrderAcrossTheWrap)
{
    RecordRing<FilledBuffer> ring(3);
    FilledBuffer out;
    for (uint32_t n = 0; n < 10; ++n) {
        ASSERT_TRUE(ring.push(buffer(n, 0.001 * n)));
        ASSERT_TRUE(ring.pop(out));
        EXPECT_EQ(out.streamBytesBefore, buffer(n, 0).streamBytesBefore);
        EXPECT_EQ(out.hostLead, 0.001 * n);
        EXPECT_EQ(out.filledAt, buffer(n, 0).filledAt);
    }
    EXPECT_FALSE(ring.pop(out));
}

TEST(RecordRing, AFullRingRefusesARecordAndKeepsTheOthers)
{
    RecordRing<FilledBuffer> ring(2);
    EXPECT_TRUE(ring.push(buffer(1, 0)));
    EXPECT_TRUE(ring.push(buffer(2, 0)));
    EXPECT_FALSE(ring.push(buffer(3, 0)));
    FilledBuffer out;
    ASSERT_TRUE(ring.pop(out));
    EXPECT_EQ(out.filledAt, buffer(1, 0).filledAt);
    ASSERT_TRUE(ring.pop(out));
    EXPECT_EQ(out.filledAt, buffer(2, 0).filledAt);
    EXPECT_FALSE(ring.pop(out));
}

}  // namespace
