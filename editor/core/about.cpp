// SPDX-License-Identifier: GPL-3.0-or-later
// Help About: a plain message box with the program, its maker, its version and the three-step
// recipe the program is built around.
#include "editor.h"
#include "messages.h"

void Editor::helpAbout()
{
    context_.window.messageBox(messages::aboutText(QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR));
}
