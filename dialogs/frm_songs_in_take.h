// SPDX-License-Identifier: GPL-3.0-or-later
// FrmSongsInTake: the songs of the take, newest last, each with its start, its length and the
// title a player announced for it. The newest is current; the arrows move, Enter or a double
// click chooses, Escape closes without a choice.
#pragma once

#include <QDialog>

#include <cstddef>
#include <optional>
#include <vector>

#include "song_list.h"

class QTreeWidget;

class FrmSongsInTake : public QDialog {
    Q_OBJECT
public:
    explicit FrmSongsInTake(const std::vector<SongListEntry>& songs, QWidget* parent = nullptr);

    // The index of the song current in the list.
    std::optional<size_t> current() const;

private:
    QTreeWidget* lstSongs = nullptr;
};
