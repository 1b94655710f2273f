// SPDX-License-Identifier: GPL-3.0-or-later
// Play, Record and Stop, and the follow loop that keeps the window alive while the engine plays
// or records: it moves a position marker over the view, feeds the level meter, and lets Stop,
// the fades, About and mouse selection run nested inside it.
#include <algorithm>
#include <cmath>

#include "editor_numbers.h"
#include "messages.h"
#include "meter_feed.h"
#include "transport_commands.h"

namespace {

// How long one pass of the follow loop hands the window its events: about one screen frame, so
// the marker moves smoothly while the loop sleeps instead of spinning a processor core.
constexpr int kFollowPassMilliseconds = 15;

}  // namespace

void TransportCommands::play()
{
    const RunningCommand running(context_, Command::ControlPlay);
    // An empty or reversed selection goes to the engine as it is; the engine clips the range.
    context_.reportEngineError(messages::kErrorPlayTrack,
                               engine_.PlayWav(selected.clipbegin, selected.clipend));
    // The meter reads the frames the engine plays: from the selection as it was at the start,
    // even when a new one is made during the playback.
    context_.meter.beginPlaying(selected.clipbegin, selected.clipend,
                                frm.bInitLib ? context_.engineTrackLength : 0);
    const bool endedByItself = follow();
    const int32_t lRet = engine_.StopWav();
    // The engine ends a playback whose device died as if it had played; StopWav tells which.
    const bool deviceDied = endedByItself && lRet == BRENVIK_ERR_NOT_RESPONDING;
    context_.reportEngineError(deviceDied ? messages::kErrorPlayTrack : messages::kErrorStopTrack,
                               lRet);
}

void TransportCommands::record()
{
    const RunningCommand running(context_, Command::ControlRecord);
    // The whole ring is recorded. The rectangle moves with the selection, so that a drag during
    // the recording erases what is on the screen and not a rectangle that never was.
    selection_.moveSelection(0, checkedSub(mod.trklen, 2));
    context_.forgetEdits();  // the recording overwrites the whole track
    const int32_t lRet = engine_.RecordWav();
    context_.reportEngineError(messages::kErrorRecordTrack, lRet);
    context_.meter.beginRecording(frm.bInitLib ? context_.engineTrackLength : 0);
    // The ring the recording fills; 0 when it did not start, and nothing is followed.
    const int32_t ring = frm.bInitLib && lRet == BRENVIK_OK ? context_.engineTrackLength : 0;
    context_.liveFeatures.begin(ring);
    titles_.begin(ring);
    if (ring > 0) window_.followPlayers(&titles_);
    recording_ = true;
    drawnRecorded_ = 0;
    // A recording ends by itself only when the engine gave up a device that died: the loop
    // then ends as Stop ends it, and StopWav reports it below.
    follow();
    recording_ = false;
    window_.followPlayers(nullptr);

    // Stopping turns the ring so that the oldest frame comes first, which takes a moment, under
    // the busy window: nothing can play or reopen the track under a recording not yet stopped.
    const RunningCommand reordering(context_, Command::ReorderTrack);
    window_.busyShow(messages::kReorderingTrack);
    context_.reportEngineError(messages::kErrorStopTrack, engine_.StopWav());
    // A fade run during the recording kept values the card has overwritten since, at places
    // the ring's turn has moved.
    context_.forgetEdits();
    const int64_t lostMilliseconds = takeLostInput();
    const std::vector<std::string> sourceChanges = takeSourceChanges();
    view_.recordedChanged(0, context_.engineTrackLength);
    const int32_t turn = frm.bInitLib ? engine_.GetRingTurn() : -1;
    context_.liveFeatures.stopped(turn, !context_.lostInputFrames.empty());
    context_.titleMarks = titles_.stopped(turn);
    context_.songDetailsTyped = false;  // a new take: its songs are named anew
    view_.drawTrack();
    window_.busyHide();
    reportLostInput(lostMilliseconds);
    for (const std::string& change : sourceChanges) window_.messageBox(change);
}

void TransportCommands::stop()
{
    // The Play or Record command whose loop is running sees the flag and stops the engine.
    frm.WAVEPLAYING = false;
}

void TransportCommands::clearMeterClip(int channel)
{
    context_.meter.clearClip(channel);
}

bool TransportCommands::follow()
{
    window_.busyHide();
    frm.WAVEPLAYING = true;
    bool endedByItself = false;
    for (;;) {
        // A playback ends by itself; a recording (or a transport that failed to start) only by
        // Stop, or when the engine gave up a device that died. Nothing runs once the engine is
        // idle, so the window may close then.
        endedByItself = engine_.IsPlaying() == 0;
        if (endedByItself) frm.WAVEPLAYING = false;
        if (!frm.WAVEPLAYING) break;

        // clipbegin is read anew, so a selection made during playback moves the marker at once.
        const int32_t position = engine_.GetPosition();
        if (recording_) {
            context_.liveFeatures.follow(position);
            titles_.follow(position);
        }
        drawRecorded(position);
        const int32_t f = checkedAdd(selected.clipbegin, position);
        const int32_t d = checkedSub(f, scales.trkbegin);
        // Without an open track the view has no scale, and there is no marker to show. The
        // marker is on screen while the events are handled.
        view_.moveMarker(view_.hasTrack() ? toLong(d / (double(scales.tscale) / scales.zoom)) : 0);
        context_.meter.update(position);
        window_.waitForEvents(kFollowPassMilliseconds);
    }
    view_.moveMarker(0);
    context_.meter.end();
    return endedByItself;
}

void TransportCommands::enableControls(bool enabled)
{
    context_.lockControls(commandLocks(Command::ControlPlay).controls, !enabled);
}

void TransportCommands::drawRecorded(int32_t position)
{
    if (!recording_ || !view_.hasTrack()) return;
    const int32_t ring = context_.engineTrackLength;
    const FrameRun run = recordedSince(drawnRecorded_, position, ring, ring);
    if (run.count == 0) return;
    drawnRecorded_ = position;
    const double framesPerColumn = double(scales.tscale) / scales.zoom;
    // The column whose frames (from its rounded first frame on) hold frame.
    const auto columnOf = [&](int64_t frame) {
        return int32_t(std::clamp<double>(
            std::floor((frame - scales.trkbegin + 0.5) / framesPerColumn), -1, INT32_MAX));
    };
    // A run that passes the ring's end goes on at its start.
    const int64_t end = int64_t(run.first) + run.count;
    for (const auto& [from, to] :
         {std::pair<int64_t, int64_t>{run.first, std::min<int64_t>(end, ring)},
          std::pair<int64_t, int64_t>{0, std::max<int64_t>(end - ring, 0)}}) {
        if (to <= from) continue;
        view_.recordedChanged(int32_t(from), int32_t(to));
        view_.redrawColumns(columnOf(from), columnOf(to - 1));
    }
}
