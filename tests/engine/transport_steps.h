// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "brenvik.h"

// Steps through the shared library's transport exports, every wait bounded.

// Waits for something a device thread brings about; false once the limit has passed, so an
// engine that never gets there fails the test instead of hanging it. It polls every millisecond,
// as a window's timer would: a caller spinning on the engine's locks can starve the device
// thread that has to take them (the null device keeps that thread busy without a pause).
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The simulated card records its frame count n as (n & 0xFFFF, n >> 16); this reads n back from
// a frame of the track.
inline uint32_t counterAt(int32_t frame)
{
    return static_cast<uint16_t>(TrackRead(2 * frame)) |
           static_cast<uint32_t>(TrackRead(2 * frame + 1)) << 16;
}

// After a wrapped recording the turned track is one run of consecutive frame numbers, the
// newest last; after one that did not wrap, the run starts at the first frame recorded.
inline ::testing::AssertionResult isOneUnbrokenRun(int32_t length, int32_t from = 0)
{
    for (int32_t frame = from + 1; frame < length; ++frame) {
        if (counterAt(frame) != counterAt(frame - 1) + 1) {
            return ::testing::AssertionFailure()
                   << "break at frame " << frame << ": " << counterAt(frame - 1) << " then "
                   << counterAt(frame);
        }
    }
    return ::testing::AssertionSuccess();
}

// Waits, during a recording, until the ring position falls back: the input device has then
// passed the end of the track at least once.
inline bool ringWraps()
{
    int32_t last = GetPosition();
    return eventually([&] {
        const int32_t now = GetPosition();
        const bool wrapped = now < last;
        last = now;
        return wrapped;
    });
}

// Records until the ring has wrapped, then stops: the track then holds a whole ring of audio.
// duringRecording runs as soon as the recording has started.
inline void recordUntilTheRingWraps(const std::function<void()>& duringRecording = [] {})
{
    ASSERT_EQ(RecordWav(), 0);
    duringRecording();
    EXPECT_EQ(IsPlaying(), 1);
    ASSERT_TRUE(ringWraps()) << "the ring position never fell back";
    ASSERT_EQ(StopWav(), 0);
    EXPECT_EQ(IsPlaying(), 0);
}
