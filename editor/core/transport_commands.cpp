// SPDX-License-Identifier: GPL-3.0-or-later
// Play, Record and Stop, and the follow loop that keeps the window alive while the engine plays
// or records: it moves a position marker over the view, feeds the level meter, and lets Stop,
// the fades, About and mouse selection run nested inside it.
#include "editor.h"
#include "editor_numbers.h"

namespace {

// How long one pass of the follow loop hands the window its events: about one screen frame, so
// the marker moves smoothly while the loop sleeps instead of spinning a processor core.
constexpr int kFollowPassMilliseconds = 15;

}  // namespace

void Editor::controlPlay()
{
    const RunningCommand running(*this, Command::ControlPlay);
    // An empty or reversed selection goes to the engine as it is; the engine clips the range.
    frm.lRet = engine_.PlayWav(mod.clipbegin, mod.clipend);
    reportEngineError("Error in PlayTrack: ", frm.lRet);
    // The meter reads the frames the engine plays: from the selection as it was at the start,
    // even when a new one is made during the playback.
    meter_.beginPlaying(mod.clipbegin, mod.clipend, frm.bInitLib ? engineTrackLength_ : 0);
    const bool endedByItself = followTransport();
    frm.lRet = engine_.StopWav();
    // The engine ends a playback whose device died as if it had played; StopWav tells which.
    const bool deviceDied = endedByItself && frm.lRet == BRENVIK_ERR_NOT_RESPONDING;
    reportEngineError(deviceDied ? "Error in PlayTrack: " : "Error in StopTrack: ", frm.lRet);
}

void Editor::controlRecord()
{
    const RunningCommand running(*this, Command::ControlRecord);
    // The whole ring is recorded. The rectangle moves with the selection, so that a drag during
    // the recording erases what is on the screen and not a rectangle that never was.
    moveSelection(0, checkedSub(mod.trklen, 2));
    forgetEdits();  // the recording overwrites the whole track
    frm.lRet = engine_.RecordWav();
    reportEngineError("Error in RecordTrack: ", frm.lRet);
    meter_.beginRecording(frm.bInitLib ? engineTrackLength_ : 0);
    recording_ = true;
    drawnRecorded_ = 0;
    // A recording ends by itself only when the engine gave up a device that died: the loop
    // then ends as Stop ends it, and StopWav reports it below.
    followTransport();
    recording_ = false;

    // Stopping turns the ring so that the oldest frame comes first, which takes a moment, under
    // the busy window: nothing can play or reopen the track under a recording not yet stopped.
    const RunningCommand reordering(*this, Command::ReorderTrack);
    window_.busySetText("Reordering track...");
    window_.busyInit();
    frm.lRet = engine_.StopWav();
    reportEngineError("Error in StopTrack: ", frm.lRet);
    // A fade run during the recording kept values the card has overwritten since, at places
    // the ring's turn has moved.
    forgetEdits();
    const int64_t lostMilliseconds = takeLostInput();
    trackChanged(0, engineTrackLength_);
    drawTrack();
    window_.busyHide();
    reportLostInput(lostMilliseconds);
}

void Editor::controlStop()
{
    // The Play or Record command whose loop is running sees the flag and stops the engine.
    frm.WAVEPLAYING = false;
}

void Editor::clearMeterClip(int channel)
{
    meter_.clearClip(channel);
}

bool Editor::followTransport()
{
    window_.busyHide();
    frm.WAVEPLAYING = true;
    ViewSurface& view = window_.picView();
    // The marker is a line across the view in its XOR pen, so drawing it again takes it away.
    // It is on screen while the events are handled. It is only redrawn when its column changes:
    // each paint costs the window far more than a pass of the loop does.
    const auto moveMarker = [this, &view](int32_t x) {
        if (x <= 0 || x >= view.pixelWidth()) x = 0;  // left of or at the edges: not drawn
        if (x == markerColumn_) return;
        if (markerColumn_ != 0) view.line(markerColumn_, 0, markerColumn_, toLong(view.pixelHeight()));
        if (x != 0) view.line(x, 0, x, toLong(view.pixelHeight()));
        markerColumn_ = x;
    };
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
        drawRecorded(position);
        const int32_t f = checkedAdd(mod.clipbegin, position);
        const int32_t d = checkedSub(f, frm.trkbegin);
        // Without an open track the view has no scale, and there is no marker to show.
        moveMarker(viewHasTrack() ? toLong(d / (double(frm.tscale) / frm.zoom)) : 0);
        meter_.update(position);
        window_.waitForEvents(kFollowPassMilliseconds);
    }
    moveMarker(0);
    meter_.end();
    return endedByItself;
}
