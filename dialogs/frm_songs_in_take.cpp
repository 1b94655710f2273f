// SPDX-License-Identifier: GPL-3.0-or-later
#include "frm_songs_in_take.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "classic_window.h"

namespace {

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

QTreeWidgetItem* songItem(const SongListEntry& song)
{
    auto* item = new QTreeWidgetItem(QStringList{qText(songClock(song.clipbegin)),
                                                 qText(songClock(song.clipend - song.clipbegin)),
                                                 qText(song.title)});
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

FrmSongsInTake::FrmSongsInTake(const std::vector<SongListEntry>& songs, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("Songs in Take");
    auto* layout = new QVBoxLayout(this);
    lstSongs = new QTreeWidget(this);
    lstSongs->setObjectName("lstSongs");
    lstSongs->setHeaderLabels({"Start", "Length", "Title"});
    lstSongs->setRootIsDecorated(false);
    lstSongs->setUniformRowHeights(true);
    lstSongs->setAllColumnsShowFocus(true);
    for (const SongListEntry& song : songs) lstSongs->addTopLevelItem(songItem(song));
    lstSongs->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstSongs->header()->setStretchLastSection(true);
    if (lstSongs->topLevelItemCount() > 0)
        lstSongs->setCurrentItem(lstSongs->topLevelItem(lstSongs->topLevelItemCount() - 1));
    layout->addWidget(lstSongs);
    layout->addWidget(quorvel::okCancelButtons(*this));
    connect(lstSongs, &QTreeWidget::itemActivated, this, &QDialog::accept);
    lstSongs->setFocus();
    resize(480, 300);
}

std::optional<size_t> FrmSongsInTake::current() const
{
    const int row = lstSongs->indexOfTopLevelItem(lstSongs->currentItem());
    if (row < 0) return std::nullopt;
    return size_t(row);
}
