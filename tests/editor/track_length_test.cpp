// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "track_length.h"

namespace {

TEST(RecordingTime, MinutesAndTwoDigitSeconds)
{
    EXPECT_EQ(recordingTimeText(1), "00.06");
    EXPECT_EQ(recordingTimeText(4), "00.24");
    EXPECT_EQ(recordingTimeText(16), "01.35");
    EXPECT_EQ(recordingTimeText(100), "09.54");
    EXPECT_EQ(recordingTimeText(256), "25.22");
}

TEST(StoredTrackLength, NumbersAreTakenAndRoundedHalvesToEven)
{
    EXPECT_EQ(trackLengthFromSetting("2097152"), 2097152);
    EXPECT_EQ(trackLengthFromSetting(" 1310719 "), 1310719);
    EXPECT_EQ(trackLengthFromSetting("1048576.5"), 1048576);
    EXPECT_EQ(trackLengthFromSetting("1048577.5"), 1048578);
    EXPECT_EQ(trackLengthFromSetting("+2.5e6"), 2500000);
    EXPECT_EQ(trackLengthFromSetting("\t2097152.\n"), 2097152);
    EXPECT_EQ(trackLengthFromSetting(".5e7"), 5000000);
    EXPECT_EQ(trackLengthFromSetting("1E6"), 1000000);
}

TEST(StoredTrackLength, AnythingButANumberGivesTheDefault)
{
    for (const char* text :
         {"", " ", "abc", "12abc", "1,000,000", "inf", "infinity", "nan", "0x100000", "--4", "+-4",
          "+", ".", "1e", "1e+", "1.2.3", "1 2", ".e5"})
        EXPECT_EQ(trackLengthFromSetting(text), 1048576) << '"' << text << '"';
}

TEST(StoredTrackLength, SizesTheDialogCannotShowAreHeldToOneTo256Megabytes)
{
    EXPECT_EQ(trackLengthFromSetting("0"), 262144);
    EXPECT_EQ(trackLengthFromSetting("100"), 262144);
    EXPECT_EQ(trackLengthFromSetting("-5"), 262144);
    EXPECT_EQ(trackLengthFromSetting("1e-900"), 262144);
    EXPECT_EQ(trackLengthFromSetting("67108865"), 67108864);
    EXPECT_EQ(trackLengthFromSetting("99999999999999999999"), 67108864);
    EXPECT_EQ(trackLengthFromSetting("1e900"), 67108864);
    EXPECT_EQ(trackLengthFromSetting("-1e900"), 262144);
}

TEST(Megabytes, RoundedHalvesToEven)
{
    EXPECT_EQ(roundedMegabytes(0), 0);
    EXPECT_EQ(roundedMegabytes(1048576ull * 5 / 2), 2);
    EXPECT_EQ(roundedMegabytes(1048576ull * 7 / 2), 4);
    EXPECT_EQ(megabytesOfTrack(1310719), 4);
}

}  // namespace
