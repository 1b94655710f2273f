// SPDX-License-Identifier: GPL-3.0-or-later
// What Save As writes beside the audio: the song's details and, for MP3, the quality. The main
// window keeps them, the Song Details dialog changes them, the engine gets them before each save.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "brenvik.h"
#include "song_metadata.h"

using SongDetails = quorvel::SongDetails;

enum class Mp3Preset : int32_t {
    Cbr192 = BRENVIK_MP3_CBR_192,  // the standard, until the user picks another
    Cbr320 = BRENVIK_MP3_CBR_320,
    VbrV2 = BRENVIK_MP3_VBR_V2,
};

// Each detail with its label in the dialog and its key in the engine's text.
struct SongDetailItem {
    const char* label;
    const char* key;
    std::string SongDetails::*text;
};

inline constexpr std::array<SongDetailItem, 6> kSongDetailItems{{
    {"&Title:", "title", &SongDetails::title},
    {"&Artist:", "artist", &SongDetails::artist},
    {"A&lbum:", "album", &SongDetails::album},
    {"&Year:", "year", &SongDetails::year},
    {"&Genre:", "genre", &SongDetails::genre},
    {"&Comment:", "comment", &SongDetails::comment},
}};

// Each preset with its name in the dialog and in the settings store, in the dialog's order.
struct Mp3PresetItem {
    Mp3Preset preset;
    const char* label;
    const char* setting;
};

inline constexpr std::array<Mp3PresetItem, 3> kMp3PresetItems{{
    {Mp3Preset::Cbr192, "192 kbit/s constant (standard)", "cbr192"},
    {Mp3Preset::Cbr320, "320 kbit/s constant", "cbr320"},
    {Mp3Preset::VbrV2, "Variable, V2 (about 190 kbit/s)", "vbr2"},
}};

// The text SetSongDetails takes: a "key=value" line per detail. A line break inside a value
// would end it early, so each becomes a space.
std::string songDetailsText(const SongDetails& details);

// The preset a setting names; the standard one for an unknown or missing setting.
Mp3Preset mp3PresetFromSetting(const std::string& setting);
const char* mp3PresetSetting(Mp3Preset preset);

// The average bit rate in kbit/s that a preset's file takes, for judging a save's progress.
int32_t mp3PresetKbps(Mp3Preset preset);
