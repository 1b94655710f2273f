// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

// The three list controls of the browse dialog: drives, directories and files. Each shows one
// value (a drive, a directory, a directory's matching files) and announces changes the way the
// dialog's events expect them.
namespace quorvel {

// The drive list: one entry per drive, its text the drive's mount point.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // Fills the list without announcing a change; the first drive becomes the selected one.
    void setDrives(const QStringList& drives);
    QStringList drives() const;
    QString drive() const;
    // Selects drive; driveChanged follows when that is a different entry. Unknown drives are
    // ignored.
    void setDrive(const QString& drive);
    // Selects drive without announcing it, to follow the directory list across mount points.
    void showDrive(const QString& drive);

signals:
    // The selected drive changed, by the user or by setDrive.
    void driveChanged();
};

// The directory list: the current directory under its parents, from the root down, and its
// subdirectories below it. A double click or Enter on another entry moves there.
class DirectoryList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent = nullptr);

    // The full path of the current directory, without a trailing "/" except for the root.
    QString path() const { return path_; }
    // Moves to path (made absolute and clean); pathChanged follows when it differs.
    void setPath(const QString& path);

signals:
    void pathChanged();

protected:
    // Enter on another entry moves there; on the current directory it is left to the dialog
    // (its default button).
    void keyPressEvent(QKeyEvent* event) override;
    // The tree is always fully open, so it draws no expand and collapse marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

private:
    void showPath();
    void openEntry(const QTreeWidgetItem* item);

    QString path_;
};

// The file list: the ordinary files of its directory that match its patterns.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    void setPath(const QString& path);
    QString pattern() const { return pattern_; }
    // One or more patterns separated by ";".
    void setPattern(const QString& pattern);
    // The selected file's bare name, or an empty text when none is selected.
    QString fileName() const;

signals:
    // A file was selected by a click or by moving through the list with the keys.
    void fileClicked();
    void fileDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();

    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

}  // namespace quorvel
