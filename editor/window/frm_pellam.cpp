// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_pellam.h"

#include <algorithm>

#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include "browse.h"
#include "classic_window.h"
#include "fitted_text.h"
#include "frm_loudness.h"
#include "frm_message.h"
#include "frm_proj_props.h"
#include "frm_song_details.h"
#include "frm_songs_in_take.h"
#include "input_hold.h"
#include "messages.h"
#include "meter_widget.h"
#include "program_icon.h"
#include "view_scroll.h"
#include "view_widget.h"

using quorvel::twipsRect;

namespace {

// The client area the controls are laid out for; the window opens at this size.
const QSize kClientSize = twipsRect(0, 0, 9975, 2655).size();

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

QMessageBox::Icon qIcon(MessageIcon icon)
{
    switch (icon) {
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Warning: return QMessageBox::Warning;
        case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

FrmPellam::FrmPellam(EngineApi& engine, QWidget* parent)
    : QMainWindow(parent),
      editor_(engine, *this)
{
    setWindowTitle(messages::kMainWindowTitle);
    // The dialogs and message boxes over this window take its icon too.
    setWindowIcon(programIcon());
    createActions();
    createMenus();
    createControls();
    // It opens at the size the controls were laid out for, and grows from there.
    resize(sizeHint());
    inputHold_ = new InputHold(*this);
}

FrmPellam::~FrmPellam() = default;

void FrmPellam::createActions()
{
    for (const CommandRow& row : commandTable()) {
        auto* action = new QAction(row.caption, this);
        action->setObjectName(row.name);
        QList<QKeySequence> shortcuts;
        for (QKeyCombination keys : row.shortcuts)
            if (keys.key() != Qt::Key_unknown) shortcuts.append(QKeySequence(keys));
        action->setShortcuts(shortcuts);
        action->setCheckable(row.checked != nullptr);
        connect(action, &QAction::triggered, this, [this, &row, action] {
            row.run(editor_);
            if (row.checked) action->setChecked(row.checked(editor_));
        });
        // A key without a menu item works wherever the window has the focus.
        if (row.menu == MenuId::None) addAction(action);
        actions_.push_back(action);
    }
}

void FrmPellam::createMenus()
{
    for (const MenuRow& menuRow : menuTable()) {
        QMenu* menu = menuBar()->addMenu(menuRow.title);
        menu->setObjectName(menuRow.name);
        menus_[size_t(menuRow.id)] = menu;
        for (size_t row = 0; row < commandTable().size(); ++row)
            if (commandTable()[row].menu == menuRow.id) menu->addAction(actions_[row]);
    }
    applyLocks();
}

namespace {

// A toolbar button runs its command's action and follows its lock, but keeps its own picture
// and tooltip, which the action (shared with a menu item) does not carry.
class CommandButton : public QToolButton {
public:
    CommandButton(const ToolbarButton& button, QAction* action, QWidget* parent)
        : QToolButton(parent),
          icon_(toolbarIcon(button.picture)),
          tooltip_(button.tooltip)
    {
        setObjectName(button.name);
        setDefaultAction(action);
        keepOwnLook();
        setIconSize({16, 16});
        setGeometry(twipsRect(button.leftTwips, 0, 375, 375));
    }

protected:
    void actionEvent(QActionEvent* event) override
    {
        QToolButton::actionEvent(event);
        if (event->type() == QEvent::ActionChanged) keepOwnLook();
    }

private:
    void keepOwnLook()
    {
        setIcon(icon_);
        setToolTip(tooltip_);
    }

    QIcon icon_;
    QString tooltip_;
};

}  // namespace

void FrmPellam::addToolbarButtons()
{
    // Made from left to right, so that Tab walks them in the order they are seen.
    std::vector<size_t> rows;
    for (size_t row = 0; row < commandTable().size(); ++row)
        if (commandTable()[row].button) rows.push_back(row);
    std::ranges::sort(rows, {}, [](size_t row) { return commandTable()[row].button->leftTwips; });
    for (size_t row : rows)
        new CommandButton(*commandTable()[row].button, actions_[row], centralWidget());
}

QLabel* FrmPellam::addLabel(const char* name, const char* caption, QRect geometry)
{
    auto* label = new QLabel(caption, centralWidget());
    label->setObjectName(name);
    label->setFont(quorvel::dialogFont(8, false));
    label->setGeometry(geometry);
    quorvel::fitText(*label);
    return label;
}

QScrollBar* FrmPellam::addTrackScrollBar(const char* name, int minimum, int maximum, int value)
{
    auto* bar = new QScrollBar(Qt::Horizontal, fraTrack);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(value);
    return bar;
}

void FrmPellam::createControls()
{
    auto* client = new QWidget(this);
    client->setMinimumSize(kClientSize);
    client->installEventFilter(this);
    setCentralWidget(client);

    addToolbarButtons();

    lblLength = addLabel("lblLength", "Len:", twipsRect(4320, 120, 855, 255));
    lblMem = addLabel("lblMem", "Mem:", twipsRect(5160, 120, 1215, 255));

    fraTrack = new QGroupBox(client);
    fraTrack->setObjectName("fraTrack");
    hscZoom = addTrackScrollBar("hscZoom", 1, 256, 1);
    picView_ = new ViewWidget(fraTrack);
    picView_->setObjectName("picView");
    picView_->setEditor(&editor_);
    hscView = addTrackScrollBar("hscView", 0, kLastViewPosition, 0);

    // Change and Scroll (the thumb dragged) alike: valueChanged reports both.
    connect(hscZoom, &QScrollBar::valueChanged, this, [this] { editor_.view().zoomChanged(); });
    connect(hscView, &QScrollBar::valueChanged, this, [this] { editor_.view().scrolled(); });

    // The level meter takes the free end of the toolbar row, right of the labels.
    meterLevels = new MeterWidget(client);
    meterLevels->setObjectName("meterLevels");
    connect(meterLevels, &MeterWidget::clipClicked, this,
            [this](int channel) { editor_.transport().clearMeterClip(channel); });
    placeControls(kClientSize);
}

void FrmPellam::placeControls(QSize client)
{
    // The toolbar and its labels stay at the top left, the meter at the top right; the track's
    // frame takes the rest, and in it the view takes all but the scroll bars' rows.
    const QSize extra = client - kClientSize;
    const QRect frame = twipsRect(0, 360, 9975, 2295).adjusted(0, 0, extra.width(), extra.height());
    fraTrack->setGeometry(frame);
    hscZoom->setGeometry(twipsRect(120, 120, 9735, 135).adjusted(0, 0, extra.width(), 0));
    picView_->setGeometry(
        twipsRect(120, 240, 9735, 1935).adjusted(0, 0, extra.width(), extra.height()));
    hscView->setGeometry(twipsRect(120, 2160, 9735, 135)
                             .translated(0, extra.height())
                             .adjusted(0, 0, extra.width(), 0));
    meterLevels->setGeometry(twipsRect(6450, 15, 3480, 345).translated(extra.width(), 0));
}

bool FrmPellam::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        placeControls(static_cast<QResizeEvent*>(event)->size());
    return QMainWindow::eventFilter(watched, event);
}

MessageAnswer FrmPellam::messageBox(const std::string& text, MessageIcon icon,
                                    MessageButtons buttons, const std::string& title)
{
    const auto standardButtons = buttons == MessageButtons::YesNo
                                     ? QMessageBox::Yes | QMessageBox::No
                                     : QMessageBox::StandardButtons(QMessageBox::Ok);
    const auto answer =
        quorvel::showMessage(this, qText(text), qText(title), standardButtons, qIcon(icon));
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

FrmMessage& FrmPellam::busy()
{
    if (!busy_) busy_ = new FrmMessage(this);
    return *busy_;
}

void FrmPellam::busyShow(const std::string& text, BusyBar bar)
{
    busy().setText(qText(text));
    if (bar == BusyBar::Shown) busy().setProgress(0);
    busy().init();
}

void FrmPellam::busyHide()
{
    if (busy_) busy_->hide();
}

void FrmPellam::busyUnload()
{
    // Deleted later: an Init further down the stack may still be turning events.
    if (!busy_) return;
    busy_->hide();
    busy_->deleteLater();
    busy_ = nullptr;
}

void FrmPellam::waitForEvents(int milliseconds)
{
    // Events are handled as they come until the timer ends the loop; in between the thread
    // sleeps. Returning at the first event instead would let a caller that repaints on every
    // pass spin on its own paint events. A command run from an event (a fade, a message box)
    // may outlast the interval; the loop then ends as soon as that command returns.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void FrmPellam::showProjectSettings(ModPellam& mod)
{
    FrmProjProps dialog(mod, physicalMemory().totalBytes, this);
    dialog.exec();
}

std::string FrmPellam::browseFile(const std::string& title, const std::string& pattern,
                                  const std::string& proposedName)
{
    return BrowseFile(qText(title), qText(pattern), qText(proposedName)).toStdString();
}

void FrmPellam::showMainWindow()
{
    show();
}

void FrmPellam::closeMainWindow()
{
    close();
}

void FrmPellam::setCaption(const std::string& caption)
{
    setWindowTitle(qText(caption));
}

void FrmPellam::setLabelText(WindowLabel label, const std::string& text)
{
    // The label keeps its place and size; a long text (many MB) gets a smaller font.
    QLabel* shown = label == WindowLabel::lblLength ? lblLength : lblMem;
    shown->setText(qText(text));
    quorvel::fitText(*shown);
}

void FrmPellam::setControlEnabled(LockableControl control, bool enabled)
{
    locked_[size_t(control)] = !enabled;
    applyLocks();
}

bool FrmPellam::unlocked(std::optional<LockableControl> lock) const
{
    return !lock || !locked_[size_t(*lock)];
}

bool FrmPellam::available(const CommandRow& row) const
{
    // A button and its menu item share one action: it runs only when neither lock holds it.
    const bool free = unlocked(row.lock) && (!row.button || unlocked(row.button->lock));
    switch (row.needs) {
        case Needs::AnEditToUndo: return free && canUndo_;
        case Needs::AnEditToRedo: return free && canRedo_;
        case Needs::Nothing: break;
    }
    return free;
}

void FrmPellam::applyLocks()
{
    // A locked menu's items are switched off with its title, so that its shortcuts are locked
    // too; the items name that lock themselves.
    for (const MenuRow& menu : menuTable())
        if (QMenu* shown = menus_[size_t(menu.id)])
            shown->menuAction()->setEnabled(unlocked(menu.lock));
    for (size_t row = 0; row < commandTable().size(); ++row) {
        const CommandRow& command = commandTable()[row];
        actions_[row]->setEnabled(available(command));
        if (command.checked) actions_[row]->setChecked(command.checked(editor_));
    }
    if (hscView) hscView->setEnabled(unlocked(LockableControl::hscView));
    if (hscZoom) hscZoom->setEnabled(unlocked(LockableControl::hscZoom));
}

QScrollBar* FrmPellam::scrollBar(ScrollBar bar) const
{
    return bar == ScrollBar::hscZoom ? hscZoom : hscView;
}

int32_t FrmPellam::scrollValue(ScrollBar bar) const
{
    return scrollBar(bar)->value();
}

void FrmPellam::setScrollVisible(ScrollBar bar, bool visible)
{
    scrollBar(bar)->setVisible(visible);
}

std::string FrmPellam::readSetting(const std::string& section, const std::string& key,
                                   const std::string& defaultValue)
{
    QSettings settings("Quorvel", "Quorvel");
    return settings.value(qText(section + "/" + key), qText(defaultValue)).toString().toStdString();
}

void FrmPellam::writeSetting(const std::string& section, const std::string& key,
                             const std::string& value)
{
    QSettings settings("Quorvel", "Quorvel");
    settings.setValue(qText(section + "/" + key), qText(value));
}

std::string FrmPellam::musicFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString();
}

PhysicalMemory FrmPellam::physicalMemory() const
{
    return readPhysicalMemory();
}

ViewSurface& FrmPellam::picView()
{
    return *picView_;
}

void FrmPellam::showLevels(const MeterPicture& levels)
{
    meterLevels->setLevels(levels);
}

bool FrmPellam::showSongDetails(SongDetails& details, Mp3Preset& preset)
{
    FrmSongDetails dialog(details, preset, this);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<int> FrmPellam::chooseLoudnessTarget(const LoudnessReading& reading, int preselected)
{
    FrmLoudness dialog(reading, preselected, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.target();
}

std::optional<size_t> FrmPellam::chooseSong(const std::vector<SongListEntry>& songs)
{
    FrmSongsInTake dialog(songs, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.current();
}

int FrmPellam::chooseSource(const std::vector<std::string>& choices, int checked)
{
    QMenu menu(this);
    menu.setObjectName("mnuSources");
    auto* group = new QActionGroup(&menu);
    for (size_t i = 0; i < choices.size(); ++i) {
        QAction* choice = menu.addAction(qText(choices[i]));
        choice->setCheckable(true);
        choice->setChecked(int(i) == checked);
        choice->setData(int(i));
        group->addAction(choice);
    }
    // Below the Control title like its own menu, the checked item where the keys start.
    const QRect control = menuBar()->actionGeometry(menus_[size_t(MenuId::Control)]->menuAction());
    menu.setActiveAction(menu.actions().value(checked));
    const QAction* picked = menu.exec(menuBar()->mapToGlobal(control.bottomLeft()));
    return picked ? picked->data().toInt() : -1;
}

void FrmPellam::showRecordingSource(const std::string& description)
{
    meterLevels->setSource(qText(description));
}

void FrmPellam::holdInput(bool held)
{
    inputHold_->hold(held);
}

void FrmPellam::followPlayers(PlayerListener* listener)
{
    playerWatch_.follow(listener);
}

void FrmPellam::closeEvent(QCloseEvent* event)
{
    if (editor_.files().queryClose())
        event->accept();
    else
        event->ignore();
}

void FrmPellam::showEditHistory(bool canUndo, bool canRedo)
{
    canUndo_ = canUndo;
    canRedo_ = canRedo;
    applyLocks();
}

void FrmPellam::busySetProgress(int32_t percent)
{
    busy().setProgress(percent);
}

void FrmPellam::setScrollValue(ScrollBar bar, int32_t value)
{
    scrollBar(bar)->setValue(value);
}
