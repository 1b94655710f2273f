// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing the editor up and down: start-up, File New, opening and closing the engine, and the
// close sequence that stores the track length.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <pwd.h>
#include <unistd.h>

#include "editor.h"
#include "editor_numbers.h"
#include "track_length.h"

namespace {

namespace fs = std::filesystem;

const char* const kSettingsSection = "Defaults";
const char* const kMemoryKey = "Memory";
// The view stacks the two channels, each swinging -32768 .. 32767 about its own centre line.
constexpr double kSampleUnitsPerViewHeight = 2 * 65536.0;

fs::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* user = getpwuid(getuid())) return user->pw_dir;
    return "/";
}

// Names typed without a directory are saved and opened relative to the current directory. A
// program run from its build tree works in its own folder; an installed one cannot write to
// /usr/bin, so it works in the user's music folder, or in the home folder when there is none.
fs::path workingFolder(const fs::path& programFolder, const fs::path& musicFolder)
{
    if (access(programFolder.c_str(), W_OK) == 0) return programFolder;
    std::error_code error;
    return !musicFolder.empty() && fs::is_directory(musicFolder, error) ? musicFolder : homeFolder();
}

void changeToWorkingFolder(const fs::path& musicFolder)
{
    std::error_code error;
    const auto program = fs::read_symlink("/proc/self/exe", error);
    if (!error) fs::current_path(workingFolder(program.parent_path(), musicFolder), error);
}

}  // namespace

void Editor::startup()
{
    window_.showMainWindow();
    changeToWorkingFolder(window_.musicFolder());
    frm.GREEN = rgb(196, 32, 196);
    frm.BLUE = rgb(32, 32, 240);
    frm.RED = rgb(255, 0, 0);
    frm.DARKGREEN = rgb(16, 96, 64);
    window_.picView().setPenMode(PenMode::Xor);
    frm.hscale = float(window_.picView().pixelHeight() / kSampleUnitsPerViewHeight);
    frm.zoom = window_.scrollValue(ScrollBar::hscZoom);
    startupNew();
    window_.repaintMainWindow();
}

void Editor::startupNew()
{
    mod.bStartup = true;
    fileNew();
    mod.bStartup = false;
}

void Editor::fileNew()
{
    const RunningCommand running(*this, Command::FileNew);
    frm.FILESPEC.clear();
    mod.trklen = trackLengthFromSetting(
        window_.readSetting(kSettingsSection, kMemoryKey, std::to_string(kDefaultTrackLength)));
    frm.mlTempo = 100;
    fileProps();
}

void Editor::openDevices()
{
    // A new track: the edits of the old one are gone. The history keeps at most as many bytes
    // as the track holds, four a frame.
    history_.reset(size_t(mod.trklen) * 4);
    showEditHistory();
    lostInputFrames_.clear();
    frm.lRet = engine_.OpenLib(mod.trklen, 0);
    if (frm.lRet != BRENVIK_OK) {
        reportEngineError("There was an error opening the device drivers: ", frm.lRet);
        frm.bInitLib = false;
        summary_.reset(0);
        engine_.CloseLib();
        return;
    }
    frm.bInitLib = true;
    engineTrackLength_ = mod.trklen;
    summary_.reset(engineTrackLength_);
    frm.tscale = float(mod.trklen / double(window_.picView().pixelWidth()));
    // A zoomed view keeps its scroll position; its first frame follows the new track length.
    updateViewStart();
    selectWholeTrack();
    applyStoredSource();
}

void Editor::closeDevices()
{
    if (!frm.bInitLib) return;
    frm.lRet = engine_.CloseLib();
    reportEngineError("Error in CloseLib: ", frm.lRet);
    frm.bInitLib = false;
}

void Editor::fileExit()
{
    window_.closeMainWindow();
}

bool Editor::queryClose()
{
    if (frm.WAVEPLAYING) {
        window_.messageBox("Stop track first!");
        return false;
    }
    if (runningCommands_ > 0) {
        closePending_ = true;  // the window closes when the command is done
        return false;
    }
    const RunningCommand closing(*this, Command::ShutDown);
    window_.busySetText("Shutting down...");
    window_.busyInit();
    closeDevices();
    window_.writeSetting(kSettingsSection, kMemoryKey, std::to_string(mod.trklen));
    window_.busyUnload();
    closePending_ = false;  // a second request made meanwhile is answered by this close
    return true;
}
