// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_details.h"

#include <algorithm>

namespace brenvik {

std::optional<SongDetails> parseSongDetails(std::string_view text)
{
    SongDetails details;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty()) {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        const auto field = std::find_if(
            kSongDetailFields.begin(), kSongDetailFields.end(),
            [key = line.substr(0, equals)](const SongDetailField& f) { return f.key == key; });
        if (field == kSongDetailFields.end()) {
            return std::nullopt;
        }
        details.*field->text = std::string(line.substr(equals + 1));
    }
    return details;
}

}  // namespace brenvik
