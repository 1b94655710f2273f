// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_locks.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

using enum LockableControl;

// What a transport locks: every control whose command could call the engine but those that
// stay usable while it runs (Stop and the effects; Help and the view itself are never locked).
constexpr std::array kTransportControls{
    cmdCut,  cmdNew,  cmdOpen,        cmdPlay,          cmdProps, cmdRec,  cmdSave,
    hscView, hscZoom, mnuControlPlay, mnuControlRecord, mnuEdit,  mnuFile,
};
constexpr std::array kUsableDuringTransport{cmdStop, mnuControl, mnuFX};
// A command under the busy window locks them all.
constexpr auto kEngineControls = [] {
    std::array<LockableControl, kTransportControls.size() + kUsableDuringTransport.size()> all{};
    const auto rest = std::copy(kTransportControls.begin(), kTransportControls.end(), all.begin());
    std::copy(kUsableDuringTransport.begin(), kUsableDuringTransport.end(), rest);
    return all;
}();
static_assert(kEngineControls.size() == kLockableControls, "the busy window locks every control");

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
    CommandRow{Command::EditSongsInTake, kBusy},  CommandRow{Command::ReorderTrack, kBusy},
    CommandRow{Command::ShutDown, kBusy},
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
