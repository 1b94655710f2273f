// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands in one table: per command its menu item (object name, caption with
// its access key, shortcuts, menu), its toolbar button where it has one, the controls whose
// lock switches it off, and the handler. The window builds its menus, its toolbar and its
// selection keys from the table, and one QAction serves a command's menu item, its shortcuts
// and its button alike. A new command is one row here and one handler in its command group.
#pragma once

#include <array>
#include <optional>
#include <span>

#include <QKeyCombination>

#include "toolbar_icons.h"
#include "window_port.h"

class Editor;

enum class MenuId { File, Edit, Control, FX, Help, None };

struct MenuRow {
    MenuId id;
    const char* name;
    const char* title;
    std::optional<LockableControl> lock;  // the title's lock; its items name their own
};

struct ToolbarButton {
    const char* name;
    const char* tooltip;  // the button's own text, which may be shorter than the menu caption
    ToolbarPicture picture;
    int leftTwips;  // the toolbar is ordered by this position
    LockableControl lock;
};

// What a command needs besides being unlocked.
enum class Needs { Nothing, AnEditToUndo, AnEditToRedo };

struct CommandRow {
    const char* name = "";  // empty for the keys without a menu item
    const char* caption = "";
    std::array<QKeyCombination, 2> shortcuts{};  // Qt::Key_unknown where there is none
    MenuId menu = MenuId::None;
    std::optional<LockableControl> lock{};  // the menu item's lock
    std::optional<ToolbarButton> button{};
    Needs needs = Needs::Nothing;
    void (*run)(Editor&) = nullptr;
    // For an item that is checked or not: whether it is, asked after each run and lock change.
    bool (*checked)(Editor&) = nullptr;
};

std::span<const MenuRow> menuTable();
std::span<const CommandRow> commandTable();  // in menu order
