#include "editor.h"

#include <array>

Editor::Editor(EngineApi& engine, WindowPort& window) : engine_(engine), window_(window) {}

void Editor::enableControls(bool enabled)
{
    // Stop, the effects, Help and the view are not in the list: they stay usable while the
    // transport runs.
    static constexpr std::array locked{
        LockableControl::cmdCut, LockableControl::cmdNew, LockableControl::cmdOpen,
        LockableControl::cmdPlay, LockableControl::cmdProps, LockableControl::cmdRec,
        LockableControl::cmdSave, LockableControl::hscView, LockableControl::hscZoom,
        LockableControl::mnuControlPlay, LockableControl::mnuControlRecord,
        LockableControl::mnuEdit, LockableControl::mnuFile,
    };
    for (LockableControl control : locked) window_.setControlEnabled(control, enabled);
}

void Editor::setTitle()
{
    const std::string& path = frm.FILESPEC;
    const auto first = path.find_first_not_of(' ');
    const std::string trimmed =
        first == std::string::npos ? std::string() : path.substr(first, path.find_last_not_of(' ') - first + 1);
    window_.setCaption("Dravenna - " + trimmed);
}

Editor::RunningCommand::RunningCommand(Editor& editor) : editor_(editor)
{
    ++editor_.runningCommands_;
}

Editor::RunningCommand::~RunningCommand()
{
    if (--editor_.runningCommands_ == 0 && editor_.closePending_) {
        editor_.closePending_ = false;
        editor_.window_.closeMainWindow();
    }
}

void Editor::reportEngineError(const std::string& prefix, int32_t code, const std::string& explanation)
{
    if (code == BRENVIK_OK) return;
    const std::string text = prefix + std::to_string(code);
    window_.messageBox(explanation.empty() ? text : text + "\n\n" + explanation);
}
