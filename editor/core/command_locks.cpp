#include "command_locks.h"

#include <algorithm>
#include <array>

namespace {

using enum LockableControl;

// What a transport locks: Stop, the effects, Help and the view stay usable.
constexpr std::array kTransportControls{
    cmdCut, cmdNew, cmdOpen, cmdPlay, cmdProps, cmdRec, cmdSave,
    hscView, hscZoom, mnuControlPlay, mnuControlRecord, mnuEdit, mnuFile,
};

// What a command under the busy window locks: every control whose command could call the engine.
constexpr std::array kBusyControls{
    cmdCut, cmdNew, cmdOpen, cmdPlay, cmdProps, cmdRec, cmdSave,
    hscView, hscZoom, mnuControlPlay, mnuControlRecord, mnuEdit, mnuFile,
    cmdStop, mnuControl, mnuFX,
};

struct CommandRow {
    Command command;
    CommandLocks locks;
};

constexpr CommandLocks kTransport{kTransportControls, false};
constexpr CommandLocks kBusy{kBusyControls, true};

constexpr std::array kCommands{
    CommandRow{Command::FileNew, kBusy},
    CommandRow{Command::FileOpen, kBusy},
    CommandRow{Command::FileProps, kBusy},
    CommandRow{Command::FileSaveAs, kBusy},
    CommandRow{Command::EditCut, kBusy},
    CommandRow{Command::EditUndo, kBusy},
    CommandRow{Command::EditRedo, kBusy},
    CommandRow{Command::EditSelectSong, kBusy},
    CommandRow{Command::FxFadeIn, kBusy},
    CommandRow{Command::FxFadeOut, kBusy},
    CommandRow{Command::ControlPlay, kTransport},
    CommandRow{Command::ControlRecord, kTransport},
    CommandRow{Command::ReorderTrack, kBusy},
    CommandRow{Command::ShutDown, kBusy},
};

}  // namespace

CommandLocks commandLocks(Command command)
{
    return std::ranges::find(kCommands, command, &CommandRow::command)->locks;
}
