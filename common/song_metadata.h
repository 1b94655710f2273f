// SPDX-License-Identifier: GPL-3.0-or-later
// A song's details as the user types them and the saves write them beside the audio, in UTF-8;
// an empty text is not written. The editor keeps them, the engine gets them as text before a save.
#pragma once

#include <string>

namespace quorvel {

struct SongDetails {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string genre;
    std::string comment;

    bool operator==(const SongDetails&) const = default;
    bool empty() const { return *this == SongDetails{}; }
};

}  // namespace quorvel
