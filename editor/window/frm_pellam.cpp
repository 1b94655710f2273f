// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_pellam.h"

#include <QAction>
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

// Menus and their items are both switched, so that a locked menu's shortcuts are locked too.
void setMenuEnabled(QMenu* menu, bool enabled)
{
    menu->menuAction()->setEnabled(enabled);
    for (QAction* item : menu->actions()) item->setEnabled(enabled);
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

QAction* FrmPellam::addCommand(const char* name, const char* caption, std::function<void()> command,
                               QKeySequence shortcut)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, std::move(command));
    return action;
}

void FrmPellam::createActions()
{
    mnuFileNew = addCommand(
        "mnuFileNew", "&New", [this] { editor_.files().newFile(); },
        QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen = addCommand(
        "mnuFileOpen", "&Open", [this] { editor_.files().open(); },
        QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileProps =
        addCommand("mnuFileProps", "&Properties", [this] { editor_.files().properties(); });
    mnuFileSaveAs = addCommand(
        "mnuFileSaveAs", "&Save As...", [this] { editor_.files().saveAs(); },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    mnuFileExit = addCommand("mnuFileExit", "E&xit", [this] { editor_.files().exit(); });
    mnuEditCut = addCommand(
        "mnuEditCut", "C&ut", [this] { editor_.edits().cut(); },
        QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditSelectAll = addCommand(
        "mnuEditSelectAll", "Select &All", [this] { editor_.selection().selectAll(); },
        QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuControlPlay = addCommand(
        "mnuControlPlay", "&Play", [this] { editor_.transport().play(); },
        QKeySequence(Qt::Key_F5));
    mnuControlRecord = addCommand(
        "mnuControlRecord", "&Record", [this] { editor_.transport().record(); },
        QKeySequence(Qt::Key_F6));
    mnuControlStop = addCommand(
        "mnuControlStop", "&Stop", [this] { editor_.transport().stop(); },
        QKeySequence(Qt::Key_F7));
    mnuFXFadeIn = addCommand("mnuFXFadeIn", "Fade &In", [this] { editor_.edits().fadeIn(); });
    mnuFXFadeOut = addCommand("mnuFXFadeOut", "Fade &Out", [this] { editor_.edits().fadeOut(); });
    mnuHelpAbout = addCommand("mnuHelpAbout", "&About", [this] { editor_.helpAbout(); });
    mnuEditUndo = addCommand(
        "mnuEditUndo", "U&ndo", [this] { editor_.edits().undo(); },
        QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuEditRedo = addCommand("mnuEditRedo", "&Redo", [this] { editor_.edits().redo(); });
    mnuEditRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    mnuEditSelectSong = addCommand(
        "mnuEditSelectSong", "Select &Song", [this] { editor_.selection().selectSong(); },
        QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuFileSongDetails = addCommand("mnuFileSongDetails", "Song &Details...",
                                    [this] { editor_.files().songDetails(); });
    mnuFXNormalize = addCommand("mnuFXNormalize", "&Normalize Loudness...",
                                [this] { editor_.edits().normalizeLoudness(); });
    mnuControlSource = addCommand("mnuControlSource", "&Input Source...",
                                  [this] { editor_.transport().chooseInputSource(); });
    addSelectionKeys();
}

void FrmPellam::addSelectionKeys()
{
    // Keys without a menu item: Shift with the arrows moves the selection's end a column, with
    // Ctrl a tick; Shift with Home or End reaches out to the view's edge.
    const auto key = [this](QKeyCombination keys, auto command) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(keys));
        connect(action, &QAction::triggered, this, command);
        addAction(action);
    };
    key(Qt::SHIFT | Qt::Key_Left, [this] { editor_.selection().moveEnd(-1); });
    key(Qt::SHIFT | Qt::Key_Right, [this] { editor_.selection().moveEnd(1); });
    key(Qt::CTRL | Qt::SHIFT | Qt::Key_Left, [this] { editor_.selection().moveEndByTicks(-1); });
    key(Qt::CTRL | Qt::SHIFT | Qt::Key_Right, [this] { editor_.selection().moveEndByTicks(1); });
    key(Qt::SHIFT | Qt::Key_Home, [this] { editor_.selection().extendToViewStart(); });
    key(Qt::SHIFT | Qt::Key_End, [this] { editor_.selection().extendToViewEnd(); });
}

void FrmPellam::createMenus()
{
    mnuFile = menuBar()->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    mnuFile->addActions(
        {mnuFileNew, mnuFileOpen, mnuFileProps, mnuFileSaveAs, mnuFileExit, mnuFileSongDetails});
    mnuEdit = menuBar()->addMenu("&Edit");
    mnuEdit->setObjectName("mnuEdit");
    mnuEdit->addActions(
        {mnuEditCut, mnuEditSelectAll, mnuEditUndo, mnuEditRedo, mnuEditSelectSong});
    applyEditHistory();
    mnuControl = menuBar()->addMenu("&Control");
    mnuControl->setObjectName("mnuControl");
    mnuControl->addActions({mnuControlPlay, mnuControlRecord, mnuControlStop, mnuControlSource});
    mnuFX = menuBar()->addMenu("F&X");
    mnuFX->setObjectName("mnuFX");
    mnuFX->addActions({mnuFXFadeIn, mnuFXFadeOut, mnuFXNormalize});
    mnuHelp = menuBar()->addMenu("&Help");
    mnuHelp->setObjectName("mnuHelp");
    mnuHelp->addAction(mnuHelpAbout);
}

QToolButton* FrmPellam::addButton(const char* name, const char* tooltip, ToolbarPicture picture,
                                  int leftTwips, std::function<void()> command)
{
    auto* button = new QToolButton(centralWidget());
    button->setObjectName(name);
    button->setToolTip(tooltip);
    button->setIcon(toolbarIcon(picture));
    button->setIconSize({16, 16});
    button->setGeometry(twipsRect(leftTwips, 0, 375, 375));
    connect(button, &QToolButton::clicked, this, std::move(command));
    return button;
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

    cmdNew =
        addButton("cmdNew", "New", ToolbarPicture::New, 0, [this] { editor_.files().newFile(); });
    cmdOpen =
        addButton("cmdOpen", "Open", ToolbarPicture::Open, 360, [this] { editor_.files().open(); });
    cmdSave = addButton("cmdSave", "Save", ToolbarPicture::Save, 720,
                        [this] { editor_.files().saveAs(); });
    cmdProps = addButton("cmdProps", "Properties", ToolbarPicture::Properties, 1080,
                         [this] { editor_.files().properties(); });
    // A Cut button that did nothing would puzzle anyone; it runs Edit Cut like its menu item.
    cmdCut =
        addButton("cmdCut", "Cut", ToolbarPicture::Cut, 1560, [this] { editor_.edits().cut(); });
    cmdPlay = addButton("cmdPlay", "Play", ToolbarPicture::Play, 2040,
                        [this] { editor_.transport().play(); });
    cmdRec = addButton("cmdRec", "Record", ToolbarPicture::Record, 2400,
                       [this] { editor_.transport().record(); });
    cmdStop = addButton("cmdStop", "Stop", ToolbarPicture::Stop, 2760,
                        [this] { editor_.transport().stop(); });

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

std::string FrmPellam::browseFile(const std::string& title, const std::string& pattern)
{
    return BrowseFile(qText(title), qText(pattern)).toStdString();
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
    switch (control) {
        case LockableControl::cmdCut: cmdCut->setEnabled(enabled); break;
        case LockableControl::cmdNew: cmdNew->setEnabled(enabled); break;
        case LockableControl::cmdOpen: cmdOpen->setEnabled(enabled); break;
        case LockableControl::cmdPlay: cmdPlay->setEnabled(enabled); break;
        case LockableControl::cmdProps: cmdProps->setEnabled(enabled); break;
        case LockableControl::cmdRec: cmdRec->setEnabled(enabled); break;
        case LockableControl::cmdSave: cmdSave->setEnabled(enabled); break;
        case LockableControl::hscView: hscView->setEnabled(enabled); break;
        case LockableControl::hscZoom: hscZoom->setEnabled(enabled); break;
        case LockableControl::mnuControlPlay: mnuControlPlay->setEnabled(enabled); break;
        case LockableControl::mnuControlRecord:
            mnuControlRecord->setEnabled(enabled);
            mnuControlSource->setEnabled(enabled);  // the source cannot change under a transport
            break;
        case LockableControl::mnuEdit:
            setMenuEnabled(mnuEdit, enabled);
            applyEditHistory();
            break;
        case LockableControl::mnuFile: setMenuEnabled(mnuFile, enabled); break;
        case LockableControl::cmdStop: cmdStop->setEnabled(enabled); break;
        case LockableControl::mnuControl:
            // Its Play and Record items have locks of their own, which a transport may still hold
            // when a command nested in it gives the whole menu back.
            mnuControl->menuAction()->setEnabled(enabled);
            mnuControlStop->setEnabled(enabled);
            break;
        case LockableControl::mnuFX: setMenuEnabled(mnuFX, enabled); break;
    }
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
    const QRect control = menuBar()->actionGeometry(mnuControl->menuAction());
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
    applyEditHistory();
}

void FrmPellam::applyEditHistory()
{
    // The menu's lock (setMenuEnabled) switches every item: here it holds Undo and Redo off,
    // and its unlock does not switch them on without an edit to work on.
    const bool unlocked = mnuEdit->menuAction()->isEnabled();
    mnuEditUndo->setEnabled(unlocked && canUndo_);
    mnuEditRedo->setEnabled(unlocked && canRedo_);
}

void FrmPellam::busySetProgress(int32_t percent)
{
    busy().setProgress(percent);
}

void FrmPellam::setScrollValue(ScrollBar bar, int32_t value)
{
    scrollBar(bar)->setValue(value);
}
