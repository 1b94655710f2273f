// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's logic: the state of the main window and every command and routine behind its
// controls. Plain C++: it reaches the engine through EngineApi and the windowing layer through
// WindowPort, so tests can drive it without a display.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "command_locks.h"
#include "edit_history.h"
#include "editor_state.h"
#include "engine_binding.h"
#include "meter_feed.h"
#include "song_choices.h"
#include "track_summary.h"
#include "window_port.h"

// How long each pass of a busy command's wait for its worker hands the window its events before
// the bar moves on.
constexpr int kProgressPassMilliseconds = 50;

class Editor {
public:
    Editor(EngineApi& engine, WindowPort& window);

    ModPellam mod;        // the module globals of modPellam
    FrmPellamVars frm;    // the variables of frmPellam

    // Start-up and shut-down.
    void startup();          // the main window loads
    void startupNew();       // File New with bStartup set
    bool queryClose();       // the close sequence; whether the window may close
    void openDevices();
    void closeDevices();

    // Commands of the menus and toolbar.
    void fileNew();
    void fileOpen();
    void fileProps();        // File Properties
    void fileSaveAs();
    void fileExit();
    void editCut();
    void editSelectAll();
    void controlPlay();
    void controlRecord();
    void controlStop();
    void fxFadeIn();
    void fxFadeOut();
    void helpAbout();
    // The transport's follow loop, used by Play and Record: true when the engine ended the
    // transport, false when Stop did.
    bool followTransport();
    void editUndo();
    void editRedo();
    // Selects the last complete song of the take, or the one before the song selected.
    void editSelectSong();
    void fileSongDetails();  // the details and MP3 quality the saves that follow write
    void fxNormalizeLoudness();  // scales the selection to a chosen integrated loudness
    void controlInputSource();  // Control > Input Source...

    // Window routines. EnableControls takes (false) or gives back (true) the lock a transport
    // holds on its thirteen controls; a control stays locked while any running command locks it.
    void enableControls(bool enabled);
    void setTitle();

    // View navigation and selection.
    void selectWholeTrack();
    void hscViewChanged();   // hscView Change and Scroll
    void zoomChanged();      // hscZoom Change and Scroll
    void mouseDown(float x);
    void mouseMove(float x);
    void mouseUp(float x);
    // The wheel over the view at column x, in whole notches, forward positive: scrolls the
    // zoomed view, or with zoomStep zooms in (forward) or out, twice or half a notch, keeping
    // the frame under the pointer where it is.
    void viewWheel(int32_t notches, bool zoomStep, float x = 0.0f);
    // The keys: the selection's moving end goes by columns or by ticks (negative to the left),
    // or the selection reaches out to the view's first or last frame.
    void moveSelectionEnd(int32_t columns);
    void moveSelectionEndByTicks(int32_t ticks);
    void extendSelectionToViewStart();
    void extendSelectionToViewEnd();
    // The view's tool tip for the pointer at x: times under it and of the selection; empty
    // while the view has no track.
    std::string viewToolTip(float x) const;

    // View mapping and drawing.
    int32_t xToFrame(int32_t x) const;
    int32_t frameToX(int32_t frame) const;
    void updateViewStart();
    void drawTrack();
    void drawSelection();
    // The view has a new size: the scales follow it and it is drawn again.
    void viewResized();
    // Frames from up to, not including, to were changed in the engine's track (an edit, a load,
    // a recording): the view's summary of the track reads them again before it draws them.
    void trackChanged(int32_t from, int32_t to);

    // Tick frames of the current view, first to last (the frames DrawTrack marks on top).
    struct TickRange {
        int32_t first = 0;
        int32_t last = 0;
        int32_t spacing = 0;
    };
    TickRange tickRange() const;

    // A click on the level meter's clip mark of a channel (kMeterLeft, kMeterRight) clears it.
    void clearMeterClip(int channel);

private:
    // Held by a command while it works with window events let in (its busy window, its
    // dialogs, the follow loop). It locks the controls the command table names and, for a
    // command under the busy window, holds off the main window's input, until the command ends.
    // A close request that comes meanwhile waits until the outermost one is done, so the engine
    // is never closed under a command that is halfway through.
    class RunningCommand {
    public:
        RunningCommand(Editor& editor, Command command);
        ~RunningCommand();
        RunningCommand(const RunningCommand&) = delete;
        RunningCommand& operator=(const RunningCommand&) = delete;

    private:
        Editor& editor_;
        CommandLocks locks_;
    };

    // Takes (lock) or gives back one lock on each of controls; a control is enabled while it
    // holds none.
    void lockControls(std::span<const LockableControl> controls, bool lock);
    void holdInput(bool hold);

    // The selection becomes begin to end: the old rectangle is erased, the new one drawn.
    void moveSelection(int32_t begin, int32_t end);
    // The stored input source (setting Defaults/Source) is chosen in the open engine; one that
    // is gone gives way to the default with a message. Then the window shows the source.
    void applyStoredSource();
    void showRecordingSource();
    // After a recording's stop: where input was lost, for the view's marks, and how many
    // milliseconds; then the message that tells the user.
    int64_t takeLostInput();
    void reportLostInput(int64_t milliseconds);
    void drawLostInputMarks(int32_t first, int32_t last);  // in the columns first to last
    // The keys move the selection's end, or its beginning once they have moved it past it.
    void moveKeyedEnd(int64_t frame);
    int32_t viewEndFrame() const;  // the last selectable frame the view shows
    // Columns first to last drawn again from the summary, as a full redraw draws them.
    void redrawColumns(int32_t first, int32_t last);
    void drawBars(int32_t first, int32_t last);
    void drawTicks(int32_t first, int32_t last);
    // A pass of the follow loop while recording: the frames recorded since the last pass are
    // drawn. Returns nothing; the marker is redrawn by the loop.
    void drawRecorded(int32_t position);
    // A message box with prefix and code, for any result but BRENVIK_OK, and below them what
    // the code means: the caller's explanation, or else what it means as a device export's.
    void reportEngineError(const std::string& prefix, int32_t code, const std::string& explanation = {});
    bool viewHasTrack() const;  // the engine is open and the scales are valid
    // The view's first frame as the wheel's last zoom chose it, with the bar values it set for
    // it. A unit of the view bar spans up to a few columns at high zoom, so while the bars and
    // the track still show these values the view starts at this exact frame.
    struct WheelViewStart {
        int32_t zoom = 0;
        int32_t position = 0;
        int32_t trackLength = 0;
        int32_t frame = 0;
    };
    std::optional<WheelViewStart> wheelViewStart_;

    EngineApi& engine_;
    WindowPort& window_;
    int32_t engineTrackLength_ = 0;  // the length the engine is open with
    // The column of the transport's position marker, 0 while none is drawn. A full redraw
    // (a fade nested in the follow loop) wipes the marker, so it resets this too.
    int32_t markerColumn_ = 0;
    int32_t runningCommands_ = 0;
    std::array<int32_t, kLockableControls> controlLocks_{};
    int32_t inputHolds_ = 0;
    bool keysMoveBegin_ = false;  // the keys have moved the selection's end past its beginning
    bool recording_ = false;      // the follow loop draws what is recorded
    int32_t drawnRecorded_ = 0;   // the ring frame up to which the recording is drawn
    bool closePending_ = false;  // a close request waits for the running commands

    // Cut and the fades, run as commands on the selection, and again by Redo.
    void runEdit(EditKind kind);
    void applyEdit(const EditStep& step, bool redone);
    // Measures frames from .. to - 1 on a worker under the busy window's bar; the running
    // command keeps the controls that could call the engine locked meanwhile.
    std::optional<LoudnessReading> measureOnWorker(int32_t from, int32_t to);
    void forgetEdits();  // the track was replaced: nothing before can be undone or redone
    void showEditHistory();
    EditHistory history_;
    SongDetails songDetails_;  // for this session only, empty at first
    std::vector<int32_t> lostInputFrames_;  // where the last recording lost input, in the track
    MeterFeed meter_{engine_, window_};  // fed by the follow loop
    TrackSummary summary_{engine_};     // the extremes the view draws
};
