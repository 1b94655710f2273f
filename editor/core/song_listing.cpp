// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_listing.h"

#include <optional>
#include <string>

#include "title_hints.h"

namespace {

std::string markText(const TitleMark& mark)
{
    if (mark.artist.empty()) return mark.title;
    if (mark.title.empty()) return mark.artist;
    return mark.artist + " - " + mark.title;
}

// The mark that names the song, as Select Song fills Song Details from it.
std::string titleOf(const SongSelection& song, const std::vector<TitleMark>& marks)
{
    const std::optional<TitleMark> mark = titleMarkForSong(marks, song.clipbegin, song.clipend);
    return mark ? markText(*mark) : std::string();
}

}  // namespace

std::vector<SongListEntry> songListing(const std::vector<SongSelection>& songs,
                                       const std::vector<TitleMark>& marks)
{
    std::vector<SongListEntry> listing;
    listing.reserve(songs.size());
    for (const SongSelection& song : songs)
        listing.push_back({song.clipbegin, song.clipend, titleOf(song, marks)});
    return listing;
}
