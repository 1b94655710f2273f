// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_lists.h"

#include "file_system.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStyle>

namespace quorvel {
namespace {

bool isEnter(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

constexpr int kPathRole = Qt::UserRole;

// Gives a new entry of the directory tree (owned by the tree) its directory and icon.
QTreeWidgetItem* directoryEntry(QTreeWidgetItem* item, const QString& path, const QIcon& icon)
{
    item->setData(0, kPathRole, path);
    item->setIcon(0, icon);
    return item;
}

}  // namespace

DriveList::DriveList(QWidget* parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::driveChanged);
}

void DriveList::setDrives(const QStringList& drives)
{
    const QSignalBlocker quiet(this);
    clear();
    addItems(drives);
}

QStringList DriveList::drives() const
{
    QStringList all;
    for (int i = 0; i < count(); ++i) all += itemText(i);
    return all;
}

QString DriveList::drive() const
{
    return currentText();
}

void DriveList::setDrive(const QString& drive)
{
    const int index = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) setCurrentIndex(index);
}

void DriveList::showDrive(const QString& drive)
{
    const QSignalBlocker quiet(this);
    setDrive(drive);
}

DirectoryList::DirectoryList(QWidget* parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(fontMetrics().averageCharWidth() * 2);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &DirectoryList::openEntry);
}

void DirectoryList::setPath(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (clean == path_) return;
    path_ = clean;
    showPath();
    emit pathChanged();
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    const QTreeWidgetItem* item = currentItem();
    if (isEnter(event) && item && item->data(0, kPathRole).toString() != path_) {
        openEntry(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void DirectoryList::showPath()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QString root = QStringLiteral("/");
    QTreeWidgetItem* current = directoryEntry(new QTreeWidgetItem(this, {root}), root, open);
    for (const QString& part : path_.split(u'/', Qt::SkipEmptyParts)) {
        const QString path = joinPath(current->data(0, kPathRole).toString(), part);
        current = directoryEntry(new QTreeWidgetItem(current, {part}), path, open);
    }
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    for (const QString& name : subdirectories(path_))
        directoryEntry(new QTreeWidgetItem(current, {name}), joinPath(path_, name), closed);
    expandAll();
    setCurrentItem(current);
}

void DirectoryList::openEntry(const QTreeWidgetItem* item)
{
    const QString target = item->data(0, kPathRole).toString();
    if (QFileInfo(target).isDir())
        setPath(target);
    else
        showPath();  // it went away since it was listed
}

FileList::FileList(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, &FileList::fileClicked);
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::fileDoubleClicked);
}

void FileList::setPath(const QString& path)
{
    path_ = path;
    refresh();
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    refresh();
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::keyPressEvent(QKeyEvent* event)
{
    const QListWidgetItem* before = currentItem();
    QListWidget::keyPressEvent(event);
    if (currentItem() != before && currentItem() && currentItem()->isSelected()) emit fileClicked();
}

void FileList::refresh()
{
    clear();
    if (!path_.isEmpty()) addItems(matchingFiles(path_, pattern_));
}

}  // namespace quorvel
