// SPDX-License-Identifier: GPL-3.0-or-later
// The song details: the text the client hands over, and the bytes each file format gets of them.
#include "song_tags.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "wav_image.h"

namespace brenvik {
namespace {

using wav_image::chunk;

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
        DetailsText{"UnknownKey", "title=T\ncomposer=C", std::nullopt},
        DetailsText{"LineWithoutEquals", "title T", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WavInfoChunk, HoldsEachDetailSetAsAZeroEndedTextPaddedToAnEvenSize)
{
    SongDetails details;
    details.title = "Song";      // 5 bytes with the zero: one pad byte
    details.year = "1997";
    details.comment = "Für dich";  // UTF-8 as it comes

    const std::vector<uint8_t> bytes = wavInfoChunk(details);

    // Text chunks end in a zero and pad with one, where the WAV image helper pads with 0x7F.
    const auto text = [](const std::string& id, const std::string& value) {
        const std::string body = value + '\0';
        return id + wav_image::le32(uint32_t(body.size())) + body + (body.size() % 2 ? std::string(1, '\0') : "");
    };
    const std::string expected =
        chunk("LIST", "INFO" + text("INAM", "Song") + text("ICRD", "1997") + text("ICMT", "F\xC3\xBCr dich"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
}

TEST(SongTags, NoDetailsGiveNoBytes)
{
    EXPECT_TRUE(wavInfoChunk({}).empty());
    EXPECT_TRUE(id3v2Tag({}).empty());
}

TEST(Id3v2Tag, IsVersion2Point3WithUtf16OnlyWhereLatin1CannotHoldTheText)
{
    SongDetails details;
    details.title = "Plain";
    details.artist = "Сплин";

    const std::vector<uint8_t> tag = id3v2Tag(details);

    ASSERT_GE(tag.size(), 10u);
    EXPECT_EQ(std::string(tag.begin(), tag.begin() + 5), std::string("ID3\x03\x00", 5));
    const std::string bytes(tag.begin(), tag.end());
    // A text frame: id, size, flags, then the encoding byte (0 ISO-8859-1, 1 UTF-16).
    const size_t title = bytes.find("TIT2");
    const size_t artist = bytes.find("TPE1");
    ASSERT_NE(title, std::string::npos);
    ASSERT_NE(artist, std::string::npos);
    EXPECT_EQ(bytes[title + 10], '\0');
    EXPECT_EQ(bytes.substr(title + 11, 5), "Plain");
    EXPECT_EQ(bytes[artist + 10], '\1');
}

}  // namespace
}  // namespace brenvik
