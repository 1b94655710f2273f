// SPDX-License-Identifier: GPL-3.0-or-later
// A WindowPort for tests: records what the editor shows and asks, answers from settable values,
// and keeps a view that records its drawing operations.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "track_length.h"
#include "window_port.h"

struct ViewOp {
    enum Kind { Clear, Line, Rectangle } kind;
    int32_t color = 0;
    PenMode mode = PenMode::Copy;
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const ViewOp&) const = default;
};

class FakeView : public ViewSurface {
public:
    float viewWidth = 649.0f;  // the main window's picView: 9735 x 1935 twips
    float viewHeight = 129.0f;
    int32_t pen = 0;
    PenMode mode = PenMode::Copy;
    std::vector<ViewOp> ops;

    float pixelWidth() const override { return viewWidth; }
    float pixelHeight() const override { return viewHeight; }
    void clear() override { ops.push_back({ViewOp::Clear}); }
    int32_t penColor() const override { return pen; }
    void setPenColor(int32_t color) override { pen = color; }
    void setPenMode(PenMode newMode) override { mode = newMode; }
    void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override
    {
        ops.push_back({ViewOp::Line, pen, mode, x1, y1, x2, y2});
    }
    void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override
    {
        ops.push_back({ViewOp::Rectangle, pen, mode, x1, y1, x2, y2});
    }

    std::vector<ViewOp> linesIn(int32_t color) const
    {
        std::vector<ViewOp> found;
        for (const ViewOp& op : ops)
            if (op.kind == ViewOp::Line && op.color == color) found.push_back(op);
        return found;
    }
};

// What the project settings dialog does on OK, without a window: whole megabytes of trklen.
inline void acceptSettingsUnchanged(ModPellam& mod)
{
    mod.bPropsCancel = false;
    const int32_t megabytes = megabytesOfTrack(mod.trklen);
    mod.trktime = recordingTimeText(megabytes);
    mod.trklen = megabytes * kFramesPerMegabyte;
}

class FakeWindow : public WindowPort {
public:
    std::vector<std::string> log;                 // what the user would see, in order
    std::map<std::string, std::string> settings;  // "Section/Key" -> value
    std::map<LockableControl, bool> enabled;
    std::map<WindowLabel, std::string> labels;
    std::string caption = "Dravenna";
    int32_t hscZoom = 1;
    int32_t hscView = 0;
    bool hscViewVisible = true;
    PhysicalMemory memory{8ull << 30, 2ull << 30};
    std::string music;
    std::function<void(ModPellam&)> projectSettings = acceptSettingsUnchanged;
    std::vector<bool> startupFlagsSeen;  // bStartup at each showing of the dialog
    ViewSurface* view = &fakeView;
    FakeView fakeView;
    std::string browseAnswer;  // what the file dialog returns; empty is Cancel
    MessageIcon lastMessageIcon = MessageIcon::None;
    MessageButtons lastMessageButtons = MessageButtons::Ok;
    std::string lastMessageTitle;
    // The answers to the Yes/No questions that follow, in turn; Yes once they are used up.
    std::vector<MessageAnswer> questionAnswers;

    MessageAnswer messageBox(const std::string& text, MessageIcon icon, MessageButtons buttons,
                             const std::string& title) override
    {
        log.push_back("message: " + text);
        lastMessageIcon = icon;
        lastMessageButtons = buttons;
        lastMessageTitle = title;
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (questionAnswers.empty()) return MessageAnswer::Yes;
        const MessageAnswer answer = questionAnswers.front();
        questionAnswers.erase(questionAnswers.begin());
        return answer;
    }
    // Runs while the busy window shows, where it lets the window's events in.
    std::function<void()> onBusyInit;
    void busyShow(const std::string& text, BusyBar bar) override
    {
        log.push_back("busy text: " + text);
        if (bar == BusyBar::Shown) progress.push_back(0);
        log.push_back("busy init");
        if (onBusyInit) onBusyInit();
    }
    void busyHide() override { log.push_back("busy hide"); }
    void busyUnload() override { log.push_back("busy unload"); }
    // Runs where the window would handle its pending events, so a test can act as the user
    // there (press Stop, drag a selection) or move time on.
    std::function<void()> onEvents;
    void waitForEvents(int) override
    {
        if (onEvents) onEvents();
    }
    void showProjectSettings(ModPellam& mod) override
    {
        log.push_back("project settings");
        startupFlagsSeen.push_back(mod.bStartup);
        projectSettings(mod);
    }
    std::vector<std::string> proposedNames;  // what each browse offered in its name box
    std::string browseFile(const std::string& title, const std::string& pattern,
                           const std::string& proposedName) override
    {
        log.push_back("browse: " + title + " " + pattern);
        proposedNames.push_back(proposedName);
        return browseAnswer;
    }
    void showMainWindow() override { log.push_back("show"); }
    void closeMainWindow() override { log.push_back("close request"); }
    void setCaption(const std::string& text) override { caption = text; }
    void setLabelText(WindowLabel label, const std::string& text) override { labels[label] = text; }
    void setControlEnabled(LockableControl control, bool state) override
    {
        enabled[control] = state;
    }
    int32_t scrollValue(ScrollBar bar) const override
    {
        return bar == ScrollBar::hscZoom ? hscZoom : hscView;
    }
    void setScrollVisible(ScrollBar bar, bool visible) override
    {
        if (bar == ScrollBar::hscView) hscViewVisible = visible;
    }
    std::string readSetting(const std::string& section, const std::string& key,
                            const std::string& defaultValue) override
    {
        const auto found = settings.find(section + "/" + key);
        return found == settings.end() ? defaultValue : found->second;
    }
    void writeSetting(const std::string& section, const std::string& key,
                      const std::string& value) override
    {
        log.push_back("setting " + section + "/" + key + " = " + value);
        settings[section + "/" + key] = value;
    }
    PhysicalMemory physicalMemory() const override { return memory; }
    std::string musicFolder() const override { return music; }
    ViewSurface& picView() override { return *view; }

    bool canUndo = false;
    bool canRedo = false;
    void showEditHistory(bool undo, bool redo) override
    {
        canUndo = undo;
        canRedo = redo;
    }
    std::vector<int32_t> progress;  // the busy window's bar, each value as it was set
    void busySetProgress(int32_t percent) override { progress.push_back(percent); }
    // A move runs onScrollChange, as the bar's change event would.
    std::function<void(ScrollBar)> onScrollChange;
    void setScrollValue(ScrollBar bar, int32_t value) override
    {
        (bar == ScrollBar::hscZoom ? hscZoom : hscView) = value;
        if (onScrollChange) onScrollChange(bar);
    }
    std::vector<std::vector<std::string>> sourceMenus;  // the choices of each Input Source menu
    int sourcePick = -1;                                // what the user picks there; -1: nothing
    std::string recordingSource;                        // what the window says recordings come from
    int chooseSource(const std::vector<std::string>& choices, int checked) override
    {
        sourceMenus.push_back(choices);
        log.push_back("source menu, checked " + std::to_string(checked));
        return sourcePick;
    }
    void showRecordingSource(const std::string& text) override { recordingSource = text; }
    std::vector<MeterPicture> levels;  // each picture the level meter was given, in order
    void showLevels(const MeterPicture& picture) override { levels.push_back(picture); }
    // Whether the main window's input is held off now, and each change of it, in order.
    bool inputHeld = false;
    std::vector<bool> inputHolds;
    void holdInput(bool held) override
    {
        inputHeld = held;
        inputHolds.push_back(held);
    }
    // The players' listener while a recording follows them; onFollowPlayers (when set) hands it
    // on, to a real bus watch.
    PlayerListener* playerListener = nullptr;
    std::function<void(PlayerListener*)> onFollowPlayers;
    void followPlayers(PlayerListener* listener) override
    {
        playerListener = listener;
        if (onFollowPlayers) onFollowPlayers(listener);
    }
    // What the meter shows now: it starts empty.
    MeterPicture meterShown() const { return levels.empty() ? MeterPicture{} : levels.back(); }
    // The Song Details dialog: what it was shown, and what the user leaves in it (OK) or nothing
    // (Cancel).
    SongDetails detailsShown;
    Mp3Preset presetShown = Mp3Preset::Cbr192;
    std::optional<std::pair<SongDetails, Mp3Preset>> songDetailsAnswer;
    bool showSongDetails(SongDetails& details, Mp3Preset& preset) override
    {
        log.push_back("song details");
        detailsShown = details;
        presetShown = preset;
        if (!songDetailsAnswer) return false;
        std::tie(details, preset) = *songDetailsAnswer;
        return true;
    }
    // The Normalize Loudness dialog: the reading and target it was shown, and the target the
    // user picks, or nothing (Cancel).
    std::optional<LoudnessReading> readingShown;
    int targetShown = 0;
    std::optional<int> targetAnswer;
    std::optional<int> chooseLoudnessTarget(const LoudnessReading& reading,
                                            int preselected) override
    {
        log.push_back("loudness dialog");
        readingShown = reading;
        targetShown = preselected;
        return targetAnswer;
    }
    // The Songs in Take dialog: the songs it listed, and the one the user picks, or nothing.
    std::vector<SongListEntry> songsListed;
    std::optional<size_t> songPick;
    std::optional<size_t> chooseSong(const std::vector<SongListEntry>& songs) override
    {
        log.push_back("songs dialog");
        songsListed = songs;
        return songPick;
    }
};
