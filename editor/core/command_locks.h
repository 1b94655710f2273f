// SPDX-License-Identifier: GPL-3.0-or-later
// One table for every command that runs with window events let in (its busy window, its modal
// dialogs, the transport's follow loop): the controls it locks while it runs, and whether the
// main window's own input is held off meanwhile. Commands not in it (Select All, Stop, About)
// lock nothing.
#pragma once

#include <span>

#include "window_port.h"

enum class Command {
    FileNew,
    FileOpen,
    FileProps,
    FileSaveAs,
    EditCut,
    EditUndo,
    EditRedo,
    EditSelectSong,
    FxFadeIn,
    FxFadeOut,
    ControlPlay,
    ControlRecord,
    FileSongDetails,
    FxNormalizeLoudness,
    EditSongsInTake,
    ReorderTrack,  // Stop's turn of the ring after a recording
    ShutDown,      // the close sequence; the last: the table checks it has a row for each
};

struct CommandLocks {
    std::span<const LockableControl> controls;  // locked while the command runs
    // The main window's keys, shortcuts, clicks and wheel are dropped while the command runs,
    // so that no other command starts in the middle of it. The transport leaves input in: Stop,
    // the fades, About and mouse selection run inside its follow loop.
    bool holdsInput = false;
};

CommandLocks commandLocks(Command command);
