// SPDX-License-Identifier: GPL-3.0-or-later
// The edits group: Cut, Undo and Redo, and the effects of the FX menu, each changing the selected
// audio in the engine's track as an edit the history keeps.
#pragma once

#include <cstdint>
#include <optional>

#include "editor_context.h"
#include "loudness_plan.h"
#include "selection_commands.h"
#include "track_view.h"

class EditCommands : CommandGroup {
public:
    EditCommands(EditorContext& context, TrackView& view, SelectionCommands& selection)
        : CommandGroup(context),
          view_(view),
          selection_(selection)
    {}

    void cut();
    void undo();
    void redo();
    void fadeIn();
    void fadeOut();
    void normalizeLoudness();  // scales the selection to a chosen integrated loudness

private:
    // Cut and the fades, run as commands on the selection, and again by Redo.
    void runEdit(EditKind kind);
    void applyEdit(const EditStep& step, bool redone);
    // Measures frames from .. to - 1 on a worker under the busy window's bar; the running
    // command keeps the controls that could call the engine locked meanwhile.
    std::optional<LoudnessReading> measureOnWorker(int32_t from, int32_t to);

    TrackView& view_;
    SelectionCommands& selection_;
};
