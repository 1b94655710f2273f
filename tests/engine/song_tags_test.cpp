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
    ::testing::Values(
        DetailsText{"Empty", "", SongDetails{}},
        DetailsText{"EveryKey", "title=T\nartist=A\nalbum=B\nyear=1997\ngenre=Pop\ncomment=C\n",
                    SongDetails{"T", "A", "B", "1997", "Pop", "C"}},
        DetailsText{"SomeKeysNoFinalBreakAndAnEqualsInAValue", "\nartist=A=B\n\ncomment=x",
                    SongDetails{"", "A=B", "", "", "", "x"}},
        DetailsText{"EmptyValues", "title=\nartist=", SongDetails{}},
        DetailsText{
            "UnicodeTitle", "title=Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x8E\xB5",
            SongDetails{"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x8E\xB5", "", "", "", "", ""}},
        DetailsText{"Latin1Byte", "title=Caf\xE9", std::nullopt},
        DetailsText{"StrayContinuation", "artist=\x80", std::nullopt},
        DetailsText{"CutSequence", "album=\xE2\x82", std::nullopt},
        DetailsText{"OverlongSlash", "genre=\xC0\xAF", std::nullopt},
        DetailsText{"Surrogate", "comment=\xED\xA0\x80", std::nullopt},
        DetailsText{"BeyondUnicode", "year=\xF4\x90\x80\x80", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brenvik
