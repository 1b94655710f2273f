// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor's logic needs of the windowing layer. The Qt main window implements it; tests
// give a fake. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor_state.h"
#include "level_meter.h"
#include "loudness_plan.h"
#include "messages.h"
#include "now_playing.h"
#include "physical_memory.h"
#include "song_choices.h"
#include "song_list.h"

enum class MessageIcon { None, Critical, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };
enum class BusyBar { Hidden, Shown };

// The sixteen controls a running command may lock (command_locks.cpp says which); the main
// window's command table says which menu items and buttons each one switches off.
enum class LockableControl {
    cmdCut,
    cmdNew,
    cmdOpen,
    cmdPlay,
    cmdProps,
    cmdRec,
    cmdSave,
    hscView,
    hscZoom,
    mnuControlPlay,
    mnuControlRecord,
    mnuEdit,
    mnuFile,
    cmdStop,
    mnuControl,
    mnuFX,  // locked as well while a command runs under the busy window
};
constexpr size_t kLockableControls = size_t(LockableControl::mnuFX) + 1;

enum class WindowLabel { lblLength, lblMem };
enum class ScrollBar { hscZoom, hscView };
enum class PenMode { Copy, Xor };

// The track view picView: a kept picture in pixel units with one pen. The screen shows the kept
// picture: what is drawn reaches it after the event that drew it, without being asked.
class ViewSurface {
public:
    virtual ~ViewSurface() = default;
    virtual float pixelWidth() const = 0;  // in pixels, as the view reports them
    virtual float pixelHeight() const = 0;
    virtual void clear() = 0;              // to the black background
    virtual int32_t penColor() const = 0;  // 0x00BBGGRR
    virtual void setPenColor(int32_t color) = 0;
    virtual void setPenMode(PenMode mode) = 0;
    virtual void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    virtual void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
};

class WindowPort {
public:
    virtual ~WindowPort() = default;

    // A message box under title; returns the button pressed.
    virtual MessageAnswer messageBox(const std::string& text, MessageIcon icon = MessageIcon::None,
                                     MessageButtons buttons = MessageButtons::Ok,
                                     const std::string& title = messages::kProgramTitle) = 0;

    // The busy window FrmMessage: one instance, created by the first use. busyShow shows it with
    // text, with its progress bar at 0 when bar is Shown, and returns after five 50 ms ticks.
    virtual void busyShow(const std::string& text, BusyBar bar = BusyBar::Hidden) = 0;
    virtual void busyHide() = 0;
    virtual void busyUnload() = 0;

    // Dispatches window events as they come for about `milliseconds`, sleeping in between; a
    // command run from one of them may make it return later.
    virtual void waitForEvents(int milliseconds) = 0;

    // The project settings dialog, modal; it reads and writes the globals in mod.
    virtual void showProjectSettings(ModPellam& mod) = 0;
    // The file browse dialog, its name box offering proposedName (when not empty) in the folder
    // it shows; the chosen path, or empty when cancelled.
    virtual std::string browseFile(const std::string& title, const std::string& pattern,
                                   const std::string& proposedName) = 0;

    virtual void showMainWindow() = 0;
    virtual void closeMainWindow() = 0;  // a close request; the close sequence decides
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setLabelText(WindowLabel label, const std::string& text) = 0;
    virtual void setControlEnabled(LockableControl control, bool enabled) = 0;
    virtual int32_t scrollValue(ScrollBar bar) const = 0;
    virtual void setScrollVisible(ScrollBar bar, bool visible) = 0;

    // The per-user settings store of application "Quorvel".
    virtual std::string readSetting(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) = 0;
    virtual void writeSetting(const std::string& section, const std::string& key,
                              const std::string& value) = 0;

    virtual PhysicalMemory physicalMemory() const = 0;
    // The user's music folder as the desktop names it (it may not exist).
    virtual std::string musicFolder() const = 0;

    virtual ViewSurface& picView() = 0;

    // Whether the Edit menu's Undo and Redo have an edit to work on; the menu's lock while a
    // transport runs still holds them off.
    virtual void showEditHistory(bool canUndo, bool canRedo) = 0;
    // The busy window's progress bar at percent (0 to 100): shown from this call on until the
    // window is hidden or unloaded.
    virtual void busySetProgress(int32_t percent) = 0;
    // Moves a scroll bar as the user would: its change event runs when the value changes.
    virtual void setScrollValue(ScrollBar bar, int32_t value) = 0;
    // The level meter on the toolbar row shows levels from now on.
    virtual void showLevels(const MeterPicture& levels) = 0;
    // The Song Details dialog, modal, showing details and preset: true after OK, with both
    // changed as the user left them; false after Cancel, with both untouched.
    virtual bool showSongDetails(SongDetails& details, Mp3Preset& preset) = 0;
    // The Normalize Loudness dialog, modal: shows the reading and offers the targets, with
    // preselected chosen; the target picked with OK (LUFS), or nothing after Cancel.
    virtual std::optional<int> chooseLoudnessTarget(const LoudnessReading& reading,
                                                    int preselected) = 0;
    // Edit > Songs in Take: the user picks one of the songs, newest last; its index, or nothing
    // when none was picked.
    virtual std::optional<size_t> chooseSong(const std::vector<SongListEntry>& songs) = 0;
    // Control > Input Source: the user picks one of choices, the checked one marked; the index
    // picked, or -1 when none was.
    virtual int chooseSource(const std::vector<std::string>& choices, int checked) = 0;
    // The window tells which source recordings come from (the meter's tool tip).
    virtual void showRecordingSource(const std::string& description) = 0;
    // While held, the user's input meant for the main window (keys, shortcuts, mouse buttons,
    // moves and the wheel over it and its menus) is dropped, not kept for later. The busy window
    // keeps painting, and other windows (message boxes, dialogs) take their input as before.
    virtual void holdInput(bool held) = 0;
    // From now on the players on the session bus report to listener: first what each plays,
    // then every change, players that appear included; null ends it. Without a session bus
    // nothing is reported, and nothing is said.
    virtual void followPlayers(PlayerListener* listener) = 0;
};
