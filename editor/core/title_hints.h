// SPDX-License-Identifier: GPL-3.0-or-later
// What the titles announced during a take tell about a song selected in it: its details and
// the name its file is offered under. An announcement is a hint that may come early or late.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "editor_context.h"
#include "song_choices.h"
#include "title_marks.h"

// How far an announcement may come before a song's start or after its end and still name it:
// players announce when the stream says so, and radio stations do not say it on the beat.
constexpr int32_t kTitleHintLeewayFrames = 30 * BRENVIK_SAMPLE_RATE;

// The mark that names the song from begin to end: among those inside it, widened by the leeway
// on both sides, the one nearest its start.
std::optional<TitleMark> titleMarkForSong(const std::vector<TitleMark>& marks, int32_t begin,
                                          int32_t end);

// details with title, artist and album those of the mark (an album not announced is cleared).
SongDetails detailsFromTitle(SongDetails details, const TitleMark& mark);

// A song from begin to end was selected: the song details take what its mark announced, unless
// the user typed them for this take.
void nameSelectedSong(EditorContext& context, int32_t begin, int32_t end);

// "Artist - Title.mp3", or "Title.mp3" without an artist, with the characters a file name
// cannot hold (here or on the memory cards and shares files are copied to) replaced by "_";
// empty without a title.
std::string songFileName(const SongDetails& details);
