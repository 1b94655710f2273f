// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brenvik {

// The first page of a take file, before the track's frames: what the file holds and how far a
// recording into it had come. The fields a recording moves are read and written only through
// atomic references, so the audio thread stores them without waiting and the flushing thread
// and a later process read whole values.
struct TakeHeader {
    // What a take is doing, as the file tells it to the next start.
    enum Phase : int32_t {
        kEmpty = 0,      // nothing recorded, or the track was loaded from a file since
        kRecording = 1,  // in ring order: ringEnd is where the newest frame ends
        kTurning = 2,    // being turned oldest-first: neither order holds
        kStopped = 3,    // turned oldest-first: the take ends at the track's end
    };

    static constexpr std::array<char, 8> kMark{'Q', 'R', 'V', 'T', 'A', 'K', 'E', '\0'};
    static constexpr uint32_t kVersion = 1;
    static constexpr std::size_t kBytes = 4096;  // one page: the frames start page-aligned

    std::array<char, 8> mark;
    uint32_t version;
    uint32_t headerBytes;
    int32_t trackLength;     // frames
    int32_t phase;           // Phase, atomic
    int32_t saved;           // atomic: 1 once the take was saved, 0 from the next recording on
    int32_t ringEnd;         // atomic: the ring frame after the newest recorded one
    int64_t recordedFrames;  // atomic: frames recorded since the recording started
    int64_t flushedFrames;   // atomic: of those, the ones on the disk for sure
    int64_t startedMs;       // atomic: when the recording started, milliseconds since 1970
    int64_t lastFrameMs;     // atomic: when its newest frame came
    std::array<char, 256> source;  // the source recorded from, NUL-terminated; "" the default
    uint32_t check;                // over mark .. trackLength: a header that was written whole

    // Fills in a new file's header for a track of trackLength frames, nothing recorded.
    void start(int32_t frames);
    // The check of the fields that never change once written.
    uint32_t fixedCheck() const;
};

static_assert(offsetof(TakeHeader, recordedFrames) % 8 == 0);
static_assert(sizeof(TakeHeader) <= TakeHeader::kBytes);

// An atomic view of one field of a mapped header.
template <typename T>
std::atomic_ref<T> live(T& field)
{
    return std::atomic_ref<T>(field);
}

// Milliseconds since 1970 by the wall clock; it only reads the clock, so the audio thread may
// call it.
int64_t wallClockMs();

}  // namespace brenvik
