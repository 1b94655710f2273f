// SPDX-License-Identifier: GPL-3.0-or-later
// frmPellam: the main window. It lays out the controls and menus, forwards every event to the
// Editor, and serves the Editor as its WindowPort.
#pragma once

#include <array>
#include <bitset>
#include <vector>

#include <QMainWindow>
#include <QPointer>

#include "command_table.h"
#include "editor.h"
#include "frm_message.h"
#include "player_watch.h"
#include "toolbar_icons.h"
#include "window_port.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QScrollBar;
class InputHold;
class ViewWidget;
class MeterWidget;

class FrmPellam : public QMainWindow, public WindowPort {
    Q_OBJECT
public:
    explicit FrmPellam(EngineApi& engine, QWidget* parent = nullptr);
    ~FrmPellam() override;

    Editor& editor() { return editor_; }
    ViewWidget& view() { return *picView_; }
    FrmMessage* busyWindow() const { return busy_; }

    MessageAnswer messageBox(const std::string& text, MessageIcon icon, MessageButtons buttons,
                             const std::string& title) override;
    void busyShow(const std::string& text, BusyBar bar) override;
    void busyHide() override;
    void busyUnload() override;
    void waitForEvents(int milliseconds) override;
    void showProjectSettings(ModPellam& mod) override;
    std::string browseFile(const std::string& title, const std::string& pattern,
                           const std::string& proposedName) override;
    void showMainWindow() override;
    void closeMainWindow() override;
    void setCaption(const std::string& caption) override;
    void setLabelText(WindowLabel label, const std::string& text) override;
    void setControlEnabled(LockableControl control, bool enabled) override;
    int32_t scrollValue(ScrollBar bar) const override;
    void setScrollVisible(ScrollBar bar, bool visible) override;
    std::string readSetting(const std::string& section, const std::string& key,
                            const std::string& defaultValue) override;
    void writeSetting(const std::string& section, const std::string& key,
                      const std::string& value) override;
    PhysicalMemory physicalMemory() const override;
    std::string musicFolder() const override;
    ViewSurface& picView() override;
    void showEditHistory(bool canUndo, bool canRedo) override;
    void busySetProgress(int32_t percent) override;
    void setScrollValue(ScrollBar bar, int32_t value) override;
    void showLevels(const MeterPicture& levels) override;
    bool showSongDetails(SongDetails& details, Mp3Preset& preset) override;
    std::optional<int> chooseLoudnessTarget(const LoudnessReading& reading,
                                            int preselected) override;
    std::optional<size_t> chooseSong(const std::vector<SongListEntry>& songs) override;
    int chooseSource(const std::vector<std::string>& choices, int checked) override;
    void showRecordingSource(const std::string& description) override;
    void holdInput(bool held) override;
    void followPlayers(PlayerListener* listener) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;  // the client area's resize

private:
    void createActions();
    void createMenus();
    void createControls();
    void addToolbarButtons();
    QLabel* addLabel(const char* name, const char* caption, QRect geometry);
    QScrollBar* addTrackScrollBar(const char* name, int minimum, int maximum, int value);
    void placeControls(QSize client);
    QScrollBar* scrollBar(ScrollBar bar) const;
    FrmMessage& busy();

    Editor editor_;
    QPointer<FrmMessage> busy_;

    QLabel* lblLength = nullptr;
    QLabel* lblMem = nullptr;
    QGroupBox* fraTrack = nullptr;
    QScrollBar* hscZoom = nullptr;
    ViewWidget* picView_ = nullptr;
    QScrollBar* hscView = nullptr;

    // One action per row of the command table, in its order; one menu per row of the menus'.
    std::vector<QAction*> actions_;
    std::array<QMenu*, size_t(MenuId::None)> menus_{};
    std::bitset<kLockableControls> locked_;
    bool canUndo_ = false;
    bool canRedo_ = false;
    bool unlocked(std::optional<LockableControl> lock) const;
    bool available(const CommandRow& row) const;
    void applyLocks();  // every menu, item, button and scroll bar from the locks and the edits
    MeterWidget* meterLevels = nullptr;
    InputHold* inputHold_ = nullptr;
    PlayerWatch playerWatch_;
};
