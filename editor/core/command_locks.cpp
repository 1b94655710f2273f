// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_locks.h"

#include <array>
#include <span>

namespace {

using enum LockableControl;

// Every control whose command could call the engine: a command under the busy window locks
// them all. A transport locks the first thirteen, so that Stop, the effects, Help and the view
// stay usable.
constexpr std::array kEngineControls{
    cmdCut,  cmdNew,         cmdOpen,          cmdPlay, cmdProps, cmdRec,  cmdSave,    hscView,
    hscZoom, mnuControlPlay, mnuControlRecord, mnuEdit, mnuFile,  cmdStop, mnuControl, mnuFX,
};
constexpr auto kTransportControls = std::span(kEngineControls).first<13>();

struct CommandRow {
    Command command;
    CommandLocks locks;
};

constexpr CommandLocks kTransport{kTransportControls, false};
constexpr CommandLocks kBusy{kEngineControls, true};

constexpr std::array kCommands{
    CommandRow{Command::FileNew, kBusy},          CommandRow{Command::FileOpen, kBusy},
    CommandRow{Command::FileProps, kBusy},        CommandRow{Command::FileSaveAs, kBusy},
    CommandRow{Command::EditCut, kBusy},          CommandRow{Command::EditUndo, kBusy},
    CommandRow{Command::EditRedo, kBusy},         CommandRow{Command::EditSelectSong, kBusy},
    CommandRow{Command::FxFadeIn, kBusy},         CommandRow{Command::FxFadeOut, kBusy},
    CommandRow{Command::ControlPlay, kTransport}, CommandRow{Command::ControlRecord, kTransport},
    CommandRow{Command::FileSongDetails, kBusy},  CommandRow{Command::FxNormalizeLoudness, kBusy},
    CommandRow{Command::ReorderTrack, kBusy},     CommandRow{Command::ShutDown, kBusy},
};

// A command without its row would read past the table.
constexpr bool oneRowPerCommandInOrder()
{
    for (size_t row = 0; row < kCommands.size(); ++row)
        if (kCommands[row].command != Command(row)) return false;
    return kCommands.size() == size_t(Command::ShutDown) + 1;
}
static_assert(oneRowPerCommandInOrder(), "the table has one row for each Command, in its order");

}  // namespace

CommandLocks commandLocks(Command command)
{
    return kCommands[size_t(command)].locks;
}
