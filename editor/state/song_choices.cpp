// SPDX-License-Identifier: GPL-3.0-or-later
#include "song_choices.h"

#include <algorithm>

std::string songDetailsText(const SongDetails& details)
{
    std::string text;
    for (const SongDetailItem& item : kSongDetailItems) {
        std::string value = details.*item.text;
        std::replace_if(
            value.begin(), value.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        text += std::string(item.key) + "=" + value + "\n";
    }
    return text;
}

Mp3Preset mp3PresetFromSetting(const std::string& setting)
{
    const auto found =
        std::find_if(kMp3PresetItems.begin(), kMp3PresetItems.end(),
                     [&](const Mp3PresetItem& item) { return setting == item.setting; });
    return found == kMp3PresetItems.end() ? Mp3Preset::Cbr192 : found->preset;
}

const char* mp3PresetSetting(Mp3Preset preset)
{
    const auto found =
        std::find_if(kMp3PresetItems.begin(), kMp3PresetItems.end(),
                     [&](const Mp3PresetItem& item) { return item.preset == preset; });
    return found->setting;
}

int32_t mp3PresetKbps(Mp3Preset preset)
{
    return preset == Mp3Preset::Cbr320 ? 320 : 192;
}
