// File Open and Save As. The file dialog names the file, its last three characters choose the
// format, and the engine does the reading and writing.
//
// The window's texts are UTF-8, which is also the system's 8-bit encoding for file names here,
// so a path goes to the engine exactly as the dialog returned it.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "background_save.h"
#include "editor.h"
#include "save_progress.h"

namespace {

const char* const kUnsupportedExtension = "Unsupported file extension!";

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

// The one message after an MP3 export, success included.
std::string mp3SaveMessage(int32_t code)
{
    switch (code) {
    case BRENVIK_OK: return "Successfully Saved!";
    case BRENVIK_MP3_NO_ENCODER:
        return "Error in SaveAsMp3: Unable to load Bladeenc.dll.  "
               "Make sure you have this file before saving as an mp3.";
    case BRENVIK_MP3_DISK_ERROR: return "Error in SaveAsMp3: Disk Error.";
    case BRENVIK_MP3_STREAM_ERROR: return "Error in SaveAsMp3: Stream Error.";
    case BRENVIK_MP3_MEMORY_ERROR: return "Error in SaveAsMp3: Memory Error.";
    case BRENVIK_MP3_ENCODING_ERROR: return "Error in SaveAsMp3: Encoding Error.";
    default: return "Error in SaveAsMp3: Unknown Error.";
    }
}

using SaveExport = decltype(EngineApi::SaveAsWave);

// The size the file has reached; 0 while it is not there yet.
uint64_t fileBytes(const std::string& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Writes the selection through one of the engine's save exports. The export runs on a worker
// thread while the busy window lets the window's events in and shows how much of the file is
// written; the controls that could call the engine meanwhile stay locked until it returns.
int32_t saveSelection(Editor& editor, WindowPort& window, SaveExport save, SaveFormat format,
                      const std::string& path)
{
    // The selection when the command began is saved, whatever the mouse does meanwhile.
    const int32_t from = editor.mod.clipbegin;
    const int32_t to = editor.mod.clipend;
    const int64_t frames = std::max<int64_t>(0, int64_t(to) - from);
    editor.enableEngineControls(false);
    window.busySetText("Saving file ...");
    window.busySetProgress(0);
    window.busyInit();
    BackgroundSave running(save, from, to, path);
    while (!running.done()) {
        window.waitForEvents(kProgressPassMilliseconds);
        window.busySetProgress(savePercent(format, frames, fileBytes(path)));
    }
    const int32_t result = running.result();
    window.busyHide();
    editor.enableEngineControls(true);
    return result;
}

// The title names the file the track now comes from or was last saved to.
void makeCurrentFile(Editor& editor, const std::string& path)
{
    editor.frm.FILESPEC = path;
    editor.setTitle();
}

}  // namespace

void Editor::enableEngineControls(bool enabled)
{
    enableControls(enabled);
    for (LockableControl control : {LockableControl::cmdStop, LockableControl::mnuControl, LockableControl::mnuFX})
        window_.setControlEnabled(control, enabled);
}

void Editor::fileOpen()
{
    const RunningCommand running(*this);
    const std::string path = window_.browseFile("Open", "*.wav");
    if (path.empty()) return;
    if (fileTypeKey(path) != "WAV") {
        window_.messageBox(kUnsupportedExtension, MessageIcon::Critical);
        return;
    }
    window_.busySetText("Opening file ...");
    window_.busyInit();
    selectWholeTrack();
    // The track is not cleared first: the engine leaves it untouched when it rejects a file and
    // zeroes what follows the audio after a good load, so a file that turns out not to be a
    // usable WAV keeps the recording the view still shows.
    frm.lRet = engine_.LoadWave(path.c_str());
    window_.busyHide();
    reportEngineError("Error in LoadWave: ", frm.lRet);
    if (!audioWasLoaded(frm.lRet)) return;
    forgetEdits();
    // The warnings 1 to 3 come with loaded audio too, so the view shows it after the message.
    makeCurrentFile(*this, path);
    drawTrack();
}

void Editor::fileSaveAs()
{
    const RunningCommand running(*this);
    const std::string path = window_.browseFile("Save as", "*.wav;*.mp3");
    if (path.empty()) return;
    const std::string key = fileTypeKey(path);
    if (key == "WAV") {
        frm.lRet = saveSelection(*this, window_, engine_.SaveAsWave, SaveFormat::Wav, path);
        reportEngineError("Error in SaveAsWave: ", frm.lRet);
    } else if (key == "MP3") {
        frm.lRet = saveSelection(*this, window_, engine_.SaveAsMp3, SaveFormat::Mp3, path);
        window_.messageBox(mp3SaveMessage(frm.lRet));
    } else {
        window_.messageBox(kUnsupportedExtension, MessageIcon::Critical);
        return;
    }
    if (frm.lRet == BRENVIK_OK) makeCurrentFile(*this, path);
}
