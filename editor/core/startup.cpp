// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing the editor up: the main window shown, the working folder chosen, the view's colours
// and scales set, and the start-up File New.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <pwd.h>
#include <unistd.h>

#include "editor.h"

namespace {

namespace fs = std::filesystem;

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
    return !musicFolder.empty() && fs::is_directory(musicFolder, error) ? musicFolder
                                                                        : homeFolder();
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
    WindowPort& window = context_.window;
    window.showMainWindow();
    changeToWorkingFolder(window.musicFolder());
    view_.startUp();
    files_.startupNew();
}

void FileCommands::startupNew()
{
    ownMod().bStartup = true;
    applyTakeStore();
    if (!recoverTake()) newFile();
    ownMod().bStartup = false;
}
