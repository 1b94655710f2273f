// SPDX-License-Identifier: GPL-3.0-or-later
#include "meter_feed.h"

#include <algorithm>
#include <utility>

FrameRun recordedSince(int32_t last, int32_t position, int32_t ringLength, int32_t most)
{
    if (ringLength <= 0) return {};
    const auto wrapped = [ringLength](int64_t frame) {
        return int32_t((frame % ringLength + ringLength) % ringLength);
    };
    const int32_t count = std::min(wrapped(int64_t(position) - last), most);
    return {wrapped(int64_t(position) - count), count};
}

MeterFeed::MeterFeed(EngineApi& engine, WindowPort& window, Clock clock)
    : engine_(engine),
      window_(window),
      clock_(std::move(clock))
{}

std::chrono::milliseconds MeterFeed::steadyMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void MeterFeed::beginRecording(int32_t trackLength)
{
    meter_.clearClips();
    begin(Source::Recording, 0, trackLength, trackLength);
}

void MeterFeed::beginPlaying(int32_t from, int32_t to, int32_t trackLength)
{
    // The engine plays the selection clipped to the track, a reversed one as nothing.
    const int32_t first = std::clamp(from, 0, std::max(trackLength, 0));
    begin(Source::Playing, first, std::clamp(to, first, std::max(trackLength, first)), trackLength);
}

void MeterFeed::begin(Source source, int32_t from, int32_t to, int32_t trackLength)
{
    source_ = source;
    from_ = from;
    to_ = to;
    trackLength_ = std::max(trackLength, 0);
    lastPosition_ = 0;
    meter_.clearBars();
    show();
}

void MeterFeed::update(int32_t position)
{
    if (source_ == Source::None) return;
    // A playback's position only grows: one that reads lower (a query that failed) gives no
    // frames and moves nothing, so no frame is counted twice. A recording's goes round the ring.
    const FrameRun run = framesSince(position);
    if (run.count < kMinFramesPerUpdate) return;
    lastPosition_ = position;
    meter_.add(readPeaks(run), clock_());
    show();
}

FrameRun MeterFeed::framesSince(int32_t position) const
{
    if (source_ == Source::Recording)
        return recordedSince(lastPosition_, position, trackLength_, kMaxFramesPerUpdate);
    const int64_t end = std::min<int64_t>(int64_t(from_) + position, to_);
    const int64_t first =
        std::max<int64_t>(int64_t(from_) + lastPosition_, end - kMaxFramesPerUpdate);
    if (end <= first) return {};
    return {int32_t(first), int32_t(end - first)};
}

FramePeaks MeterFeed::readPeaks(FrameRun run) const
{
    FramePeaks peaks;
    int32_t frame = run.first;
    for (int32_t i = 0; i < run.count; ++i, ++frame) {
        if (frame >= trackLength_) frame = 0;  // the ring goes on at its start
        peaks.addFrame(engine_.TrackRead(2 * frame), engine_.TrackRead(2 * frame + 1));
    }
    return peaks;
}

void MeterFeed::end()
{
    source_ = Source::None;
    meter_.clearBars();
    show();
}

void MeterFeed::clearClip(int channel)
{
    meter_.clearClip(channel);
    show();
}

void MeterFeed::show()
{
    if (meter_.picture() == shown_) return;
    shown_ = meter_.picture();
    window_.showLevels(shown_);
}
