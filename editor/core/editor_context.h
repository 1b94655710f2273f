// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor's command groups share: the engine and the window they work through, the
// globals of the main window, the track's summary, edits and level meter, and the locks of the
// commands that are running. The Editor holds the one instance and hands it to each group.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "command_locks.h"
#include "edit_history.h"
#include "editor_state.h"
#include "engine_binding.h"
#include "live_features.h"
#include "meter_feed.h"
#include "owned_state.h"
#include "song_choices.h"
#include "title_marks.h"
#include "track_summary.h"
#include "window_port.h"

// How long each pass of a busy command's wait for its worker hands the window its events before
// the bar moves on.
constexpr int kProgressPassMilliseconds = 50;

// The groups that own a part of the state.
class FileCommands;
class SelectionCommands;
class TrackView;

struct EditorContext {
    EditorContext(EngineApi& engine, WindowPort& window)
        : engine(engine),
          window(window)
    {}
    EditorContext(const EditorContext&) = delete;
    EditorContext& operator=(const EditorContext&) = delete;

    // Takes (lock) or gives back one lock on each of controls; a control is enabled while it
    // holds none.
    void lockControls(std::span<const LockableControl> controls, bool lock);
    void holdInput(bool hold);
    bool locked(LockableControl control) const { return controlLocks[size_t(control)] > 0; }
    // A message box with prefix and code, for any result but BRENVIK_OK, and below them what
    // the code means: the caller's explanation, or else what it means as a device export's.
    void reportEngineError(const std::string& prefix, int32_t code,
                           const std::string& explanation = {});
    void forgetEdits();  // the track was replaced: nothing before can be undone or redone
    void showEditHistory();

    EngineApi& engine;
    WindowPort& window;
    // Each group changes its own part of the state; the others read it.
    OwnedState<ModPellam, FileCommands> mod;
    OwnedState<Selection, SelectionCommands> selection;
    OwnedState<ViewScales, TrackView> scales;
    FrmPellamVars frm;              // the rest of the variables of frmPellam
    int32_t engineTrackLength = 0;  // the length the engine is open with
    int32_t runningCommands = 0;
    std::array<int32_t, kLockableControls> controlLocks{};
    int32_t inputHolds = 0;
    bool closePending = false;  // a close request waits for the running commands
    EditHistory history;
    SongDetails songDetails;  // for this session only, empty at first
    // The user changed the song details since the take was recorded: Select Song leaves them.
    bool songDetailsTyped = false;
    // Where the last recording lost input or went on from another source, in the track: the
    // view marks both alike.
    std::vector<int32_t> lostInputFrames;
    // The titles the players announced during the last recording, oldest first.
    std::vector<TitleMark> titleMarks;
    MeterFeed meter{engine, window};    // fed by the follow loop
    TrackSummary summary{engine};       // the extremes the view draws
    LiveFeatures liveFeatures{engine};  // Select Song's features, gathered while recording
};

// Held by a command while it works with window events let in (its busy window, its dialogs, the
// follow loop). It locks the controls the command table names and, for a command under the busy
// window, holds off the main window's input, until the command ends. A close request that comes
// meanwhile waits until the outermost one is done, so the engine is never closed under a command
// that is halfway through.
class RunningCommand {
public:
    RunningCommand(EditorContext& context, Command command);
    ~RunningCommand();
    RunningCommand(const RunningCommand&) = delete;
    RunningCommand& operator=(const RunningCommand&) = delete;

private:
    EditorContext& context_;
    CommandLocks locks_;
};

// The base of each command group: the shared state, with short names for what most commands use.
class CommandGroup {
protected:
    explicit CommandGroup(EditorContext& context)
        : context_(context),
          engine_(context.engine),
          window_(context.window),
          mod(context.mod.read()),
          selected(context.selection.read()),
          scales(context.scales.read()),
          frm(context.frm)
    {}

    EditorContext& context_;
    EngineApi& engine_;
    WindowPort& window_;
    const ModPellam& mod;
    const Selection& selected;
    const ViewScales& scales;
    FrmPellamVars& frm;
};
