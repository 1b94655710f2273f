// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quorvel {
class Drives;
class DirectoryList;
class DriveList;
class FileList;
}  // namespace quorvel

// The file browse dialog: walk drives and directories, see the files that match a pattern, and
// type or pick a name. The name box holds the dialog's result: OK and a double click on a file
// leave it as it is; Cancel, Escape and closing the window empty it. BrowseFile creates the
// dialog for one choice and destroys it after, so nothing is kept between uses.
class FrmBrowse : public QDialog {
    Q_OBJECT
public:
    // Starts at the process's current drive and directory, with an empty name box.
    explicit FrmBrowse(quorvel::Drives& drives, QWidget* parent = nullptr);

    // Empties the name box, then closes the dialog (Cancel, Escape, the window's close button).
    void reject() override;
    // Showing the dialog activates it: see onActivate.
    void setVisible(bool visible) override;
    // The file name the name box offers after the folder (empty: the folder alone), also when
    // the user moves to another folder.
    void proposeFileName(const QString& name) { proposedName_ = name; }

    // The controls, under the names the rest of the program uses; owned by the dialog.
    QLabel* Label1;
    QLineEdit* TxtFileName;
    QLabel* Label4;
    quorvel::DriveList* Drive1;
    QLabel* Label2;
    quorvel::DirectoryList* Dir1;
    QLabel* Label3;
    QListWidget* LstPattern;
    QLabel* Label5;
    quorvel::FileList* File1;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;

private:
    void placeControls();
    void setFocusOrder();
    void connectEvents();

    // The dialog's events.
    void onActivate();
    void onDrive1Change();
    void onDir1Change();
    void onFile1Click();
    void onFile1DblClick();
    void onLstPatternClick();

    // Moves the file list to the directory list's path and shows that path in the name box.
    void showDirectoryInNameBox();
    // Asks whether to try a missing or unready disk again.
    bool retryDisk();

    quorvel::Drives& drives_;
    QString proposedName_;
};
