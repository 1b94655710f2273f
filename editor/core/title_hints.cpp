// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <string_view>

#include "title_hints.h"

namespace {

// Path separators, the characters FAT and SMB refuse, and control characters.
bool fileNameRefuses(char c)
{
    constexpr std::string_view kRefused = "/\\:*?\"<>|";
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f ||
           kRefused.find(c) != std::string_view::npos;
}

// Without spaces and dots at its ends: a name of dots alone, or a trailing dot, is not kept by
// every file system.
std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" .");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" .") - first + 1);
}

}  // namespace

std::optional<TitleMark> titleMarkForSong(const std::vector<TitleMark>& marks, int32_t begin,
                                          int32_t end)
{
    const int64_t from = int64_t(begin) - kTitleHintLeewayFrames;
    const int64_t to = int64_t(end) + kTitleHintLeewayFrames;
    std::optional<TitleMark> nearest;
    for (const TitleMark& mark : marks) {
        if (mark.frame < from || mark.frame > to) continue;
        if (!nearest ||
            std::llabs(int64_t(mark.frame) - begin) < std::llabs(int64_t(nearest->frame) - begin))
            nearest = mark;
    }
    return nearest;
}

SongDetails detailsFromTitle(SongDetails details, const TitleMark& mark)
{
    details.title = mark.title;
    details.artist = mark.artist;
    details.album = mark.album;
    return details;
}

void nameSelectedSong(EditorContext& context, int32_t begin, int32_t end)
{
    if (context.songDetailsTyped) return;
    if (const std::optional<TitleMark> mark = titleMarkForSong(context.titleMarks, begin, end))
        context.songDetails = detailsFromTitle(context.songDetails, *mark);
}

std::string songFileName(const SongDetails& details)
{
    const std::string title = trimmed(details.title);
    if (title.empty()) return {};
    const std::string artist = trimmed(details.artist);
    std::string name = artist.empty() ? title : artist + " - " + title;
    for (char& c : name)
        if (fileNameRefuses(c)) c = '_';
    return name + ".mp3";
}
