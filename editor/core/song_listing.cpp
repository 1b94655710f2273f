// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_listing.h"

#include <string>

namespace {

std::string markText(const TitleMark& mark)
{
    if (mark.artist.empty()) return mark.title;
    if (mark.title.empty()) return mark.artist;
    return mark.artist + " - " + mark.title;
}

// The earliest mark inside the song: a later one may announce the next song early.
std::string titleInside(const SongSelection& song, const std::vector<TitleMark>& marks)
{
    const TitleMark* first = nullptr;
    for (const TitleMark& mark : marks)
        if (mark.frame >= song.clipbegin && mark.frame < song.clipend &&
            (first == nullptr || mark.frame < first->frame))
            first = &mark;
    return first != nullptr ? markText(*first) : std::string();
}

}  // namespace

std::vector<SongListEntry> songListing(const std::vector<SongSelection>& songs,
                                       const std::vector<TitleMark>& marks)
{
    std::vector<SongListEntry> listing;
    listing.reserve(songs.size());
    for (const SongSelection& song : songs)
        listing.push_back({song.clipbegin, song.clipend, titleInside(song, marks)});
    return listing;
}
