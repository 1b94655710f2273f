// SPDX-License-Identifier: GPL-3.0-or-later
// File New, Exit and the close sequence: the engine opened with the track's length and closed
// again, the length stored for the next start, and the title naming the file.
#include <string>

#include "file_commands.h"
#include "messages.h"
#include "track_length.h"

namespace {

const char* const kSettingsSection = "Defaults";
const char* const kMemoryKey = "Memory";

}  // namespace

void FileCommands::newFile()
{
    const RunningCommand running(context_, Command::FileNew);
    frm.FILESPEC.clear();
    ownMod().trklen = trackLengthFromSetting(
        window_.readSetting(kSettingsSection, kMemoryKey, std::to_string(kDefaultTrackLength)));
    frm.mlTempo = 100;
    properties();
}

void FileCommands::openDevices()
{
    openEngine([this] { return engine_.OpenLib(mod.trklen, 0); }, messages::kErrorOpeningDevices);
}

void FileCommands::openEngine(const std::function<int32_t()>& open, const char* errorPrefix)
{
    // A new track: the edits of the old one are gone. The history keeps at most as many bytes
    // as the track holds, four a frame.
    context_.history.reset(size_t(mod.trklen) * 4);
    context_.showEditHistory();
    context_.lostInputFrames.clear();
    context_.titleMarks.clear();
    context_.liveFeatures.forget();
    const int32_t lRet = open();
    if (lRet != BRENVIK_OK) {
        context_.reportEngineError(errorPrefix, lRet);
        frm.bInitLib = false;
        context_.summary.reset(0);
        engine_.CloseLib();
        return;
    }
    frm.bInitLib = true;
    tellTrackInMemoryOnce();
    context_.engineTrackLength = mod.trklen;
    context_.summary.reset(context_.engineTrackLength);
    view_.trackOpened();
    selection_.selectWholeTrack();
    transport_.applyStoredSource();
}

void FileCommands::closeDevices()
{
    if (!frm.bInitLib) return;
    context_.reportEngineError(messages::kErrorCloseLib, engine_.CloseLib());
    frm.bInitLib = false;
}

void FileCommands::exit()
{
    window_.closeMainWindow();
}

bool FileCommands::queryClose()
{
    if (frm.WAVEPLAYING) {
        window_.messageBox(messages::kStopTrackFirst);
        return false;
    }
    if (context_.runningCommands > 0) {
        context_.closePending = true;  // the window closes when the command is done
        return false;
    }
    const RunningCommand closing(context_, Command::ShutDown);
    window_.busyShow(messages::kShuttingDown);
    closeDevices();
    window_.writeSetting(kSettingsSection, kMemoryKey, std::to_string(mod.trklen));
    window_.busyUnload();
    context_.closePending = false;  // a second request made meanwhile is answered by this close
    return true;
}

void FileCommands::setTitle()
{
    const std::string& path = frm.FILESPEC;
    const auto first = path.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos
                                    ? std::string()
                                    : path.substr(first, path.find_last_not_of(' ') - first + 1);
    window_.setCaption(messages::mainWindowCaption(trimmed));
}
