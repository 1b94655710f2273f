// SPDX-License-Identifier: GPL-3.0-or-later
// The transport group: Play, Record and Stop with the follow loop that runs while the engine
// plays or records, the level meter it feeds, and the input source recordings come from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor_context.h"
#include "selection_commands.h"
#include "title_follower.h"
#include "track_view.h"

class TransportCommands : CommandGroup {
public:
    TransportCommands(EditorContext& context, TrackView& view, SelectionCommands& selection)
        : CommandGroup(context),
          view_(view),
          selection_(selection)
    {}

    void play();
    void record();
    void stop();
    // The follow loop, used by Play and Record: true when the engine ended the transport, false
    // when Stop did.
    bool follow();
    // Takes (false) or gives back (true) the lock a transport holds on its thirteen controls; a
    // control stays locked while any running command locks it.
    void enableControls(bool enabled);
    // A click on the level meter's clip mark of a channel (kMeterLeft, kMeterRight) clears it.
    void clearMeterClip(int channel);
    void chooseInputSource();  // Control > Input Source...
    // The stored input source (setting Defaults/Source) is chosen in the open engine; one that
    // is gone gives way to the default with a message. Then the window shows the source.
    void applyStoredSource();

private:
    void showRecordingSource();
    // After a recording's stop: where input was lost, for the view's marks, and how many
    // milliseconds; then the message that tells the user.
    int64_t takeLostInput();
    void reportLostInput(int64_t milliseconds);
    // After a recording's stop: where it went on from another source, added to the view's marks;
    // the messages that tell the user, one a change.
    std::vector<std::string> takeSourceChanges();
    // A pass of the follow loop while recording: the frames recorded since the last pass are
    // drawn. The marker is redrawn by the loop.
    void drawRecorded(int32_t position);

    TrackView& view_;
    SelectionCommands& selection_;
    TitleFollower titles_{engine_};  // the players' titles while recording
    bool recording_ = false;         // the follow loop draws what is recorded
    int32_t drawnRecorded_ = 0;      // the ring frame up to which the recording is drawn
};
