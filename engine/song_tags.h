// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The song details as the two file formats carry them, rendered to bytes before the file is
// written, so that tagging costs no pass over the audio.

#include <cstdint>
#include <vector>

#include "song_details.h"

namespace brenvik {

// An ID3v2.3 tag for the start of an MP3 file: a text frame per detail set, ISO-8859-1 where
// the text allows it, else UTF-16 with a byte order mark. Empty when no detail is set.
std::vector<uint8_t> id3v2Tag(const SongDetails& details);

// A "LIST" chunk of form "INFO" for after a WAV file's audio: a zero-terminated UTF-8 text
// chunk per detail set, each padded to an even size. Empty when no detail is set.
std::vector<uint8_t> wavInfoChunk(const SongDetails& details);

}  // namespace brenvik
