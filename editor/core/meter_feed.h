// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds the level meter from the track while a transport runs. An update of the follow loop
// reads the frames the card moved since the last one, through TrackRead: while recording the
// frames just written behind the ring position, while playing the frames just heard. Each frame
// is read at most once, and an update reads at most kMaxFramesPerUpdate of the newest ones, so a
// pass that comes late does not read megabytes. The window is shown the meter only when its
// picture changes.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "engine_binding.h"
#include "level_meter.h"
#include "window_port.h"

// A run of frames of the track, which wraps at the ring's end to its frame 0.
struct FrameRun {
    int32_t first = 0;
    int32_t count = 0;
    bool operator==(const FrameRun&) const = default;
};

// The frames recorded since the ring position last (the frame that was to be written next then)
// up to position, the newest `most` of them.
FrameRun recordedSince(int32_t last, int32_t position, int32_t ringLength, int32_t most);

class MeterFeed {
public:
    using Clock = std::function<std::chrono::milliseconds()>;

    // About 190 ms of sound: several passes' worth at any speed the card runs at in real time.
    static constexpr int32_t kMaxFramesPerUpdate = 8192;
    // 30 ms of sound: until the card has moved this many frames a pass leaves them for the next.
    // The meter then changes about 30 times a second, as often as the eye follows it; each
    // change is a repaint, which costs the program far more than reading the frames.
    static constexpr int32_t kMinFramesPerUpdate = 1323;

    MeterFeed(EngineApi& engine, WindowPort& window, Clock clock = steadyMilliseconds);

    // A recording into a ring of trackLength frames (0: no track) starts at ring frame 0. It
    // clears the clip marks.
    void beginRecording(int32_t trackLength);
    // A playback of frames from up to, not including, to of a track of trackLength frames.
    void beginPlaying(int32_t from, int32_t to, int32_t trackLength);
    // A pass of the follow loop, with the engine's position.
    void update(int32_t position);
    // The transport is over: the bars empty, the clip marks stay.
    void end();
    void clearClip(int channel);

    static std::chrono::milliseconds steadyMilliseconds();

private:
    enum class Source { None, Recording, Playing };

    FrameRun framesSince(int32_t position) const;
    FramePeaks readPeaks(FrameRun run) const;
    void begin(Source source, int32_t from, int32_t to, int32_t trackLength);
    void show();

    EngineApi& engine_;
    WindowPort& window_;
    Clock clock_;
    LevelMeter meter_;
    MeterPicture shown_;
    Source source_ = Source::None;
    int32_t from_ = 0;  // the first frame played; 0 for a recording
    int32_t to_ = 0;    // where the frames read end: the played range, or the ring
    int32_t trackLength_ = 0;
    int32_t lastPosition_ = 0;  // the position of the last update
};
