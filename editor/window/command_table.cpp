// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_table.h"

#include "editor.h"

namespace {

using enum LockableControl;
constexpr auto CTRL = Qt::CTRL;
constexpr auto SHIFT = Qt::SHIFT;

// The Control menu's title and its Stop share one lock; Play, Record and the source each keep
// their own, which a transport may still hold when a command nested in it gives the menu back.
constexpr std::array kMenus{
    MenuRow{MenuId::File, "mnuFile", "&File", mnuFile},
    MenuRow{MenuId::Edit, "mnuEdit", "&Edit", mnuEdit},
    MenuRow{MenuId::Control, "mnuControl", "&Control", mnuControl},
    MenuRow{MenuId::FX, "mnuFX", "F&X", mnuFX},
    MenuRow{MenuId::Help, "mnuHelp", "&Help", std::nullopt},
};

const std::array kCommands{
    // File
    CommandRow{.name = "mnuFileNew",
               .caption = "&New",
               .shortcuts = {CTRL | Qt::Key_N},
               .menu = MenuId::File,
               .lock = mnuFile,
               .button = ToolbarButton{"cmdNew", "New", ToolbarPicture::New, 0, cmdNew},
               .run = [](Editor& e) { e.files().newFile(); }},
    CommandRow{.name = "mnuFileOpen",
               .caption = "&Open",
               .shortcuts = {CTRL | Qt::Key_O},
               .menu = MenuId::File,
               .lock = mnuFile,
               .button = ToolbarButton{"cmdOpen", "Open", ToolbarPicture::Open, 360, cmdOpen},
               .run = [](Editor& e) { e.files().open(); }},
    CommandRow{.name = "mnuFileProps",
               .caption = "&Properties",
               .menu = MenuId::File,
               .lock = mnuFile,
               .button = ToolbarButton{"cmdProps", "Properties", ToolbarPicture::Properties, 1080,
                                       cmdProps},
               .run = [](Editor& e) { e.files().properties(); }},
    CommandRow{.name = "mnuFileSaveAs",
               .caption = "&Save As...",
               .shortcuts = {CTRL | SHIFT | Qt::Key_S},
               .menu = MenuId::File,
               .lock = mnuFile,
               .button = ToolbarButton{"cmdSave", "Save", ToolbarPicture::Save, 720, cmdSave},
               .run = [](Editor& e) { e.files().saveAs(); }},
    CommandRow{.name = "mnuFileExit",
               .caption = "E&xit",
               .menu = MenuId::File,
               .lock = mnuFile,
               .run = [](Editor& e) { e.files().exit(); }},
    CommandRow{.name = "mnuFileSongDetails",
               .caption = "Song &Details...",
               .menu = MenuId::File,
               .lock = mnuFile,
               .run = [](Editor& e) { e.files().songDetails(); }},
    CommandRow{.name = "mnuFileTakeInMemory",
               .caption = "Keep Take in &Memory Only",
               .menu = MenuId::File,
               .lock = mnuFile,
               .run = [](Editor& e) { e.files().toggleTakeInMemory(); },
               .checked = [](Editor& e) { return e.files().takeInMemoryOnly(); }},
    // Edit
    CommandRow{.name = "mnuEditCut",
               .caption = "C&ut",
               .shortcuts = {CTRL | Qt::Key_X},
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               // A Cut button that did nothing would puzzle anyone; it runs Edit Cut.
               .button = ToolbarButton{"cmdCut", "Cut", ToolbarPicture::Cut, 1560, cmdCut},
               .run = [](Editor& e) { e.edits().cut(); }},
    CommandRow{.name = "mnuEditSelectAll",
               .caption = "Select &All",
               .shortcuts = {CTRL | Qt::Key_A},
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               .run = [](Editor& e) { e.selection().selectAll(); }},
    CommandRow{.name = "mnuEditUndo",
               .caption = "U&ndo",
               .shortcuts = {CTRL | Qt::Key_Z},
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               .needs = Needs::AnEditToUndo,
               .run = [](Editor& e) { e.edits().undo(); }},
    CommandRow{.name = "mnuEditRedo",
               .caption = "&Redo",
               .shortcuts = {CTRL | Qt::Key_Y, CTRL | SHIFT | Qt::Key_Z},
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               .needs = Needs::AnEditToRedo,
               .run = [](Editor& e) { e.edits().redo(); }},
    CommandRow{.name = "mnuEditSelectSong",
               .caption = "Select &Song",
               .shortcuts = {CTRL | Qt::Key_L},
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               .run = [](Editor& e) { e.selection().selectSong(); }},
    CommandRow{.name = "mnuEditSongsInTake",
               .caption = "Songs in &Take...",
               .menu = MenuId::Edit,
               .lock = mnuEdit,
               .run = [](Editor& e) { e.selection().songsInTake(); }},
    // Control
    CommandRow{.name = "mnuControlPlay",
               .caption = "&Play",
               .shortcuts = {Qt::Key_F5},
               .menu = MenuId::Control,
               .lock = mnuControlPlay,
               .button = ToolbarButton{"cmdPlay", "Play", ToolbarPicture::Play, 2040, cmdPlay},
               .run = [](Editor& e) { e.transport().play(); }},
    CommandRow{.name = "mnuControlRecord",
               .caption = "&Record",
               .shortcuts = {Qt::Key_F6},
               .menu = MenuId::Control,
               .lock = mnuControlRecord,
               .button = ToolbarButton{"cmdRec", "Record", ToolbarPicture::Record, 2400, cmdRec},
               .run = [](Editor& e) { e.transport().record(); }},
    CommandRow{.name = "mnuControlStop",
               .caption = "&Stop",
               .shortcuts = {Qt::Key_F7},
               .menu = MenuId::Control,
               .lock = mnuControl,
               .button = ToolbarButton{"cmdStop", "Stop", ToolbarPicture::Stop, 2760, cmdStop},
               .run = [](Editor& e) { e.transport().stop(); }},
    // The source cannot change under a transport: Record's lock holds it too.
    CommandRow{.name = "mnuControlSource",
               .caption = "&Input Source...",
               .menu = MenuId::Control,
               .lock = mnuControlRecord,
               .run = [](Editor& e) { e.transport().chooseInputSource(); }},
    // FX
    CommandRow{.name = "mnuFXFadeIn",
               .caption = "Fade &In",
               .menu = MenuId::FX,
               .lock = mnuFX,
               .run = [](Editor& e) { e.edits().fadeIn(); }},
    CommandRow{.name = "mnuFXFadeOut",
               .caption = "Fade &Out",
               .menu = MenuId::FX,
               .lock = mnuFX,
               .run = [](Editor& e) { e.edits().fadeOut(); }},
    CommandRow{.name = "mnuFXNormalize",
               .caption = "&Normalize Loudness...",
               .menu = MenuId::FX,
               .lock = mnuFX,
               .run = [](Editor& e) { e.edits().normalizeLoudness(); }},
    // Help
    CommandRow{.name = "mnuHelpAbout",
               .caption = "&About",
               .menu = MenuId::Help,
               .run = [](Editor& e) { e.helpAbout(); }},
    // Keys without a menu item: Shift with the arrows moves the selection's end a column, with
    // Ctrl a tick; Shift with Home or End reaches out to the view's edge.
    CommandRow{.shortcuts = {SHIFT | Qt::Key_Left},
               .run = [](Editor& e) { e.selection().moveEnd(-1); }},
    CommandRow{.shortcuts = {SHIFT | Qt::Key_Right},
               .run = [](Editor& e) { e.selection().moveEnd(1); }},
    CommandRow{.shortcuts = {CTRL | SHIFT | Qt::Key_Left},
               .run = [](Editor& e) { e.selection().moveEndByTicks(-1); }},
    CommandRow{.shortcuts = {CTRL | SHIFT | Qt::Key_Right},
               .run = [](Editor& e) { e.selection().moveEndByTicks(1); }},
    CommandRow{.shortcuts = {SHIFT | Qt::Key_Home},
               .run = [](Editor& e) { e.selection().extendToViewStart(); }},
    CommandRow{.shortcuts = {SHIFT | Qt::Key_End},
               .run = [](Editor& e) { e.selection().extendToViewEnd(); }},
};

}  // namespace

std::span<const MenuRow> menuTable()
{
    return kMenus;
}

std::span<const CommandRow> commandTable()
{
    return kCommands;
}
