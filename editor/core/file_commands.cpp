// SPDX-License-Identifier: GPL-3.0-or-later
// File Open and Save As. The file dialog names the file, its last three characters choose the
// format, and the engine does the reading and writing.
//
// The window's texts are UTF-8, which is also the system's 8-bit encoding for file names here,
// so a path goes to the engine exactly as the dialog returned it.
#include <algorithm>
#include <cstdint>
#include <string>

#include "background_work.h"
#include "error_explanations.h"
#include "file_commands.h"
#include "messages.h"
#include "save_progress.h"
#include "time_readout.h"
#include "title_hints.h"

namespace {

const char* const kPresetSection = "Defaults";
const char* const kPresetKey = "Mp3Quality";

Mp3Preset savedMp3Preset(WindowPort& window)
{
    return mp3PresetFromSetting(window.readSetting(kPresetSection, kPresetKey, ""));
}

// The file type key: the last three characters of the path, upper-cased. Only the characters
// count, not what follows a dot: "take.wave" gives "AVE" and "takewav" gives "WAV".
std::string fileTypeKey(const std::string& path)
{
    std::string key = path.substr(path.size() < 3 ? 0 : path.size() - 3);
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

// LoadWave loaded the audio when it returns no more than its two warning flags: a channel
// count or a sample rate the track does not have.
bool audioWasLoaded(int32_t loadResult)
{
    return (loadResult & ~(BRENVIK_LOAD_NOT_STEREO | BRENVIK_LOAD_OTHER_RATE)) == 0;
}

using SaveExport = decltype(EngineApi::SaveAsWave);
using ProgressExport = decltype(EngineApi::SaveProgress);

// Writes the selection through one of the engine's save exports. The export runs on a worker
// thread while the busy window repaints and shows how much of the file is written; the command
// keeps the controls that could call the engine locked, and the main window's input held off,
// until it returns.
int32_t saveSelection(const Selection& selected, WindowPort& window, SaveExport save,
                      ProgressExport progress, SaveFormat format, int32_t mp3Kbps,
                      const std::string& path)
{
    // The selection when the command began is saved, whatever the mouse does meanwhile.
    const int32_t from = selected.clipbegin;
    const int32_t to = selected.clipend;
    const int64_t frames = std::max<int64_t>(0, int64_t(to) - from);
    window.busyShow(messages::kSavingFile, BusyBar::Shown);
    // The worker has its own copy of the path and touches nothing else.
    BackgroundWork<int32_t> running(
        [save, from, to, path] { return save(from, to, path.c_str()); });
    int32_t percent = 0;
    while (!running.done()) {
        window.waitForEvents(kProgressPassMilliseconds);
        // The engine's count is 0 again once the save returns: the bar never goes back.
        const auto written = uint64_t(std::max(progress(), 0));
        percent = std::max(percent, savePercent(format, frames, written, mp3Kbps));
        window.busySetProgress(percent);
    }
    const int32_t result = running.result();
    window.busyHide();
    return result;
}

}  // namespace

void FileCommands::open()
{
    const RunningCommand running(context_, Command::FileOpen);
    const std::string path = window_.browseFile(messages::kOpenTitle, messages::kOpenPattern, {});
    if (path.empty()) return;
    if (fileTypeKey(path) != "WAV") {
        window_.messageBox(messages::kUnsupportedExtension, MessageIcon::Critical);
        return;
    }
    window_.busyShow(messages::kOpeningFile);
    selection_.selectWholeTrack();
    // The track is not cleared first: the engine leaves it untouched when it rejects a file and
    // zeroes what follows the audio after a good load, so a file that turns out not to be a
    // usable WAV keeps the recording the view still shows.
    const int32_t lRet = engine_.LoadWave(path.c_str());
    window_.busyHide();
    context_.reportEngineError(messages::kErrorLoadWave, lRet, explainLoad(engine_, lRet, path));
    if (!audioWasLoaded(lRet)) return;
    context_.forgetEdits();
    view_.trackChanged(0, mod.trklen);
    // The warnings 1 to 3 come with loaded audio too, so the view shows it after the message.
    makeCurrentFile(path);
    view_.drawTrack();
    // Saved back under its own name, a file cut to the track's length would lose its end.
    if (engine_.WaveFrames(path.c_str()) > context_.engineTrackLength)
        window_.messageBox(messages::fileCutToTrack(trackTimeText(context_.engineTrackLength)));
}

void FileCommands::saveAs()
{
    const RunningCommand running(context_, Command::FileSaveAs);
    // The file is offered under the song's name, as its tags will name it.
    const std::string path = window_.browseFile(messages::kSaveAsTitle, messages::kSaveAsPatterns,
                                                songFileName(context_.songDetails));
    if (path.empty()) return;
    const std::string key = fileTypeKey(path);
    const Mp3Preset preset = savedMp3Preset(window_);
    if (key == "WAV" || key == "MP3") {
        // The engine writes what was chosen last; it refuses neither text nor preset made here.
        engine_.SetSongDetails(songDetailsText(context_.songDetails).c_str());
        engine_.SetMp3Quality(int32_t(preset));
    }
    int32_t lRet = BRENVIK_OK;
    if (key == "WAV") {
        lRet = saveSelection(selected, window_, engine_.SaveAsWave, engine_.SaveProgress,
                             SaveFormat::Wav, 0, path);
        context_.reportEngineError(messages::kErrorSaveAsWave, lRet, explainSave(path));
    } else if (key == "MP3") {
        lRet = saveSelection(selected, window_, engine_.SaveAsMp3, engine_.SaveProgress,
                             SaveFormat::Mp3, mp3PresetKbps(preset), path);
        const std::string message = messages::mp3SaveResult(lRet);
        window_.messageBox(lRet == BRENVIK_MP3_DISK_ERROR ? message + "\n\n" + explainSave(path)
                                                          : message);
    } else {
        window_.messageBox(messages::kUnsupportedExtension, MessageIcon::Critical);
        return;
    }
    if (lRet == BRENVIK_OK) makeCurrentFile(path);
}

void FileCommands::songDetails()
{
    const RunningCommand running(context_, Command::FileSongDetails);
    SongDetails details = context_.songDetails;
    Mp3Preset preset = savedMp3Preset(window_);
    if (!window_.showSongDetails(details, preset)) return;
    if (details != context_.songDetails) context_.songDetailsTyped = true;
    context_.songDetails = details;
    window_.writeSetting(kPresetSection, kPresetKey, mp3PresetSetting(preset));
}

void FileCommands::makeCurrentFile(const std::string& path)
{
    frm.FILESPEC = path;
    setTitle();
}
