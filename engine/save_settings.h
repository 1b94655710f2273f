// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mp3_quality.h"
#include "song_details.h"

namespace brenvik {

// What the saves write beside the audio, as the client last set it.
struct SaveSettings {
    SongDetails details;
    Mp3Quality mp3Quality = Mp3Quality::kCbr192;
};

}  // namespace brenvik
