// SPDX-License-Identifier: GPL-3.0-or-later
// The song details text the client hands over; the bytes each file format gets of it are read
// back by mutagen and ffprobe in the encoder tests.
#include "song_tags.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace brenvik {
namespace {

struct DetailsText {
    const char* name;
    const char* text;
    std::optional<SongDetails> parsed;
};

class ParseSongDetails : public ::testing::TestWithParam<DetailsText> {};

TEST_P(ParseSongDetails, TakesKnownKeysAndRefusesTheRest)
{
    const std::optional<SongDetails> parsed = parseSongDetails(GetParam().text);

    ASSERT_EQ(parsed.has_value(), GetParam().parsed.has_value());
    if (!parsed) return;
    for (const SongDetailField& field : kSongDetailFields)
        EXPECT_EQ((*parsed).*field.text, (*GetParam().parsed).*field.text) << field.key;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseSongDetails,
    ::testing::Values(DetailsText{"Empty", "", SongDetails{}},
                      DetailsText{"EveryKey",
                                  "title=T\nartist=A\nalbum=B\nyear=1997\ngenre=Pop\ncomment=C\n",
                                  SongDetails{"T", "A", "B", "1997", "Pop", "C"}},
                      DetailsText{"SomeKeysNoFinalBreakAndAnEqualsInAValue",
                                  "\nartist=A=B\n\ncomment=x",
                                  SongDetails{"", "A=B", "", "", "", "x"}},
                      DetailsText{"EmptyValues", "title=\nartist=", SongDetails{}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brenvik
