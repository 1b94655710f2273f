// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_browse.h"

#include "classic_window.h"
#include "drives.h"
#include "file_lists.h"
#include "file_system.h"
#include "fitted_text.h"
#include "messages.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <iterator>

using namespace quorvel;

// Every control is created with the dialog as its parent, which owns and deletes it.
FrmBrowse::FrmBrowse(Drives& drives, QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(QStringLiteral("File &Name:"), this)),
      TxtFileName(new QLineEdit(this)),
      Label4(new QLabel(QStringLiteral("Dri&ves:"), this)),
      Drive1(new DriveList(this)),
      Label2(new QLabel(QStringLiteral("&Directories:"), this)),
      Dir1(new DirectoryList(this)),
      Label3(new QLabel(QStringLiteral("&List Files of type:"), this)),
      LstPattern(new QListWidget(this)),
      Label5(new QLabel(QStringLiteral("&Files:"), this)),
      File1(new FileList(this)),
      CmdOK(new QPushButton(QStringLiteral("&OK"), this)),
      CmdCancel(new QPushButton(QStringLiteral("&Cancel"), this)),
      drives_(drives)
{
    setWindowTitle(QStringLiteral("Browse"));
    setFont(dialogFont(8.25, true));
    placeControls();
    setFocusOrder();
    CmdOK->setDefault(true);
    fitTexts(*this);

    const QStringList driveNames = drives_.list();
    const QString here = QDir::currentPath();
    Drive1->setDrives(driveNames);
    Drive1->showDrive(driveOfPath(here, driveNames));
    Dir1->setPath(here);
    connectEvents();
}

void FrmBrowse::placeControls()
{
    setFixedSize(twipsToPixels(5880), twipsToPixels(3345));
    Label1->setGeometry(twipsRect(120, 0, 915, 195));
    TxtFileName->setGeometry(twipsRect(1080, 0, 4695, 285));
    Label4->setGeometry(twipsRect(120, 360, 615, 195));
    Drive1->setGeometry(twipsRect(1080, 360, 1935, 315));
    Label2->setGeometry(twipsRect(120, 720, 990, 195));
    Dir1->setGeometry(twipsRect(120, 960, 3015, 2340));
    Label3->setGeometry(twipsRect(3240, 360, 1575, 255));
    LstPattern->setGeometry(twipsRect(3240, 600, 1455, 450));
    Label5->setGeometry(twipsRect(3240, 1080, 465, 195));
    File1->setGeometry(twipsRect(3240, 1320, 2535, 1845));
    CmdOK->setGeometry(twipsRect(4920, 360, 855, 375));
    CmdCancel->setGeometry(twipsRect(4920, 840, 855, 375));
}

void FrmBrowse::setFocusOrder()
{
    Label1->setBuddy(TxtFileName);
    Label4->setBuddy(Drive1);
    Label2->setBuddy(Dir1);
    Label3->setBuddy(LstPattern);
    Label5->setBuddy(File1);

    QWidget* const order[] = {File1, Dir1, Drive1, CmdOK, CmdCancel, TxtFileName, LstPattern};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void FrmBrowse::connectEvents()
{
    connect(Drive1, &DriveList::driveChanged, this, &FrmBrowse::onDrive1Change);
    connect(Dir1, &DirectoryList::pathChanged, this, &FrmBrowse::onDir1Change);
    connect(File1, &FileList::fileClicked, this, &FrmBrowse::onFile1Click);
    connect(File1, &FileList::fileDoubleClicked, this, &FrmBrowse::onFile1DblClick);
    connect(LstPattern, &QListWidget::currentRowChanged, this, &FrmBrowse::onLstPatternClick);
    connect(CmdOK, &QPushButton::clicked, this, &FrmBrowse::accept);
    connect(CmdCancel, &QPushButton::clicked, this, &FrmBrowse::reject);
}

void FrmBrowse::reject()
{
    TxtFileName->clear();
    QDialog::reject();
}

void FrmBrowse::setVisible(bool visible)
{
    const bool appearing = visible && !isVisible();
    QDialog::setVisible(visible);
    // After the dialog has focused its first control: the name box then takes the focus with
    // the caret after the directory, ready for a name, rather than with its text selected.
    if (appearing) onActivate();
}

void FrmBrowse::onActivate()
{
    showDirectoryInNameBox();
    TxtFileName->setFocus();
}

void FrmBrowse::onDrive1Change()
{
    for (;;) {
        const DriveDirectory moved = drives_.currentDirectory(Drive1->drive());
        if (!moved.error) {
            Dir1->setPath(moved.path);
            return;
        }
        const DriveError& error = *moved.error;
        if (error.number != kDeviceUnavailable && error.number != kDiskNotReady) {
            // The drive list keeps the failed drive; the other lists keep the last directory.
            showMessage(this, messages::kUnrecoverableError + error.text,
                        messages::kUnrecoverableTitle, QMessageBox::Ok, QMessageBox::Critical);
            return;
        }
        if (!retryDisk()) {
            // Changing the drive back moves the directory list to that drive's own current
            // directory, which need not be the one that was shown.
            Drive1->setDrive(driveOfPath(Dir1->path(), Drive1->drives()));
            return;
        }
    }
}

bool FrmBrowse::retryDisk()
{
    return showMessage(this, messages::kCheckDiskRetry, QString(),
                       QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Warning) == QMessageBox::Yes;
}

void FrmBrowse::onDir1Change()
{
    // A directory list on Linux walks across mount points; the drive list follows quietly.
    Drive1->showDrive(driveOfPath(Dir1->path(), Drive1->drives()));
    showDirectoryInNameBox();
}

void FrmBrowse::showDirectoryInNameBox()
{
    File1->setPath(Dir1->path());
    TxtFileName->setText(joinPath(File1->path(), proposedName_));
}

void FrmBrowse::onFile1Click()
{
    TxtFileName->setText(joinPath(File1->path(), File1->fileName()));
}

void FrmBrowse::onFile1DblClick()
{
    onFile1Click();
    accept();
}

void FrmBrowse::onLstPatternClick()
{
    if (const QListWidgetItem* entry = LstPattern->currentItem()) File1->setPattern(entry->text());
}
