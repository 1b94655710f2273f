// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own icon, drawn from the picture the package installs for the desktop.
#pragma once

#include <QIcon>

// The icon at the sizes window decorations, task bars and switchers ask for.
QIcon programIcon();
