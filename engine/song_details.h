// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "song_metadata.h"

namespace brenvik {

using SongDetails = quorvel::SongDetails;

// One detail: its key in the text SetSongDetails takes, and where the two file formats keep it.
struct SongDetailField {
    std::string_view key;
    std::string SongDetails::*text;
    std::string_view wavInfoId;   // the LIST/INFO chunk of a WAV file
    std::string_view id3FrameId;  // the ID3v2.3 frame of an MP3 file
};

inline constexpr std::array<SongDetailField, 6> kSongDetailFields{{
    {"title", &SongDetails::title, "INAM", "TIT2"},
    {"artist", &SongDetails::artist, "IART", "TPE1"},
    {"album", &SongDetails::album, "IPRD", "TALB"},
    {"year", &SongDetails::year, "ICRD", "TYER"},
    {"genre", &SongDetails::genre, "IGNR", "TCON"},
    {"comment", &SongDetails::comment, "ICMT", "COMM"},
}};

// Whether text is well-formed UTF-8: no stray or missing continuation bytes, no overlong forms,
// no UTF-16 surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

// Reads "key=value" lines separated by "\n" (a value runs to the end of its line; empty lines
// are skipped); keys left out stay empty. Nothing for an unknown key, a line without "=" or text
// that is not valid UTF-8.
std::optional<SongDetails> parseSongDetails(std::string_view text);

}  // namespace brenvik
