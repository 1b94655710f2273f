// SPDX-License-Identifier: GPL-3.0-or-later
// Help About: a plain message box with the program, its maker, its version and the three-step
// recipe the program is built around.
#include <string>

#include "editor.h"

namespace {

// Major and minor of the program's version; the third and fourth parts are not shown.
std::string versionLine()
{
    return "Version " + std::to_string(QUORVEL_VERSION_MAJOR) + "." + std::to_string(QUORVEL_VERSION_MINOR);
}

}  // namespace

void Editor::helpAbout()
{
    const std::string text = "Dravenna Recording\r\n"
                             "by Ostrelle\r\n" +
                             versionLine() +
                             "\r\n"
                             "Plug in your radio and hit record. \r\n"
                             "When a song you like has finished hit stop.\r\n"
                             "Fade in the beginning of the song and save it.";
    context_.window.messageBox(text);
}
