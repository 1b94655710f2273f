// SPDX-License-Identifier: GPL-3.0-or-later
// What Edit > Songs in Take shows of the songs Select Song finds: each song with the title of the
// mark that names it (the one Select Song fills Song Details from).
#pragma once

#include <vector>

#include "song_finder.h"
#include "song_list.h"
#include "title_marks.h"

std::vector<SongListEntry> songListing(const std::vector<SongSelection>& songs,
                                       const std::vector<TitleMark>& marks);
