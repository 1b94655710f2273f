// The editor's logic: the state of the main window and every command and routine behind its
// controls. Plain C++: it reaches the engine through EngineApi and the windowing layer through
// WindowPort, so tests can drive it without a display.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "command_locks.h"
#include "edit_history.h"
#include "editor_state.h"
#include "engine_binding.h"
#include "meter_feed.h"
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
    void followTransport();  // the transport's follow loop, used by Play and Record
    void editUndo();
    void editRedo();
    // Selects the last complete song of the take, or the one before the song selected.
    void editSelectSong();

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
    // The wheel over the view, in whole notches, forward positive: scrolls the zoomed view, or
    // with zoomStep zooms in (forward) or out a step a notch.
    void viewWheel(int32_t notches, bool zoomStep);
    // The view's tool tip for the pointer at x: times under it and of the selection; empty
    // while the view has no track.
    std::string viewToolTip(float x) const;

    // View mapping and drawing.
    int32_t xToFrame(int32_t x) const;
    int32_t frameToX(int32_t frame) const;
    void updateViewStart();
    void drawTrack();
    void drawSelection();

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
    // A message box with prefix and code, for any result but BRENVIK_OK.
    void reportEngineError(const std::string& prefix, int32_t code);
    bool viewHasTrack() const;  // the engine is open and the scales are valid

    EngineApi& engine_;
    WindowPort& window_;
    int32_t engineTrackLength_ = 0;  // the length the engine is open with
    // The column of the transport's position marker, 0 while none is drawn. A full redraw
    // (a fade nested in the follow loop) wipes the marker, so it resets this too.
    int32_t markerColumn_ = 0;
    int32_t runningCommands_ = 0;
    std::array<int32_t, kLockableControls> controlLocks_{};
    int32_t inputHolds_ = 0;
    bool closePending_ = false;  // a close request waits for the running commands

    // Cut and the fades, run as commands on the selection, and again by Redo.
    void runEdit(EditKind kind);
    void applyEdit(EditKind kind, bool redone);
    void forgetEdits();  // the track was replaced: nothing before can be undone or redone
    void showEditHistory();
    EditHistory history_;
    MeterFeed meter_{engine_, window_};  // fed by the follow loop
};
