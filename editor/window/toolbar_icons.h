// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures of the toolbar buttons, drawn at 16 x 16 pixels.
#pragma once

#include <QIcon>

enum class ToolbarPicture { New, Open, Save, Properties, Cut, Play, Record, Stop };

QIcon toolbarIcon(ToolbarPicture picture);
