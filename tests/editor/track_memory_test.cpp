#include <gtest/gtest.h>

#include <sstream>

#include "editor_numbers.h"
#include "physical_memory.h"
#include "track_memory.h"

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
}

TEST(StoredTrackLength, AnythingButANumberGivesTheDefault)
{
    for (const char* text : {"", "abc", "12abc", "1,000,000", "inf", "nan", "0x100000", "--4", "."})
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

TEST(PhysicalMemoryInfo, TotalAndAvailableInBytes)
{
    std::istringstream meminfo("MemTotal:        8036812 kB\nMemFree:          123 kB\n"
                               "MemAvailable:    5000000 kB\nBuffers: 1 kB\n");
    const PhysicalMemory memory = parseMeminfo(meminfo);
    EXPECT_EQ(memory.totalBytes, 8036812ull * 1024);
    EXPECT_EQ(memory.availableBytes, 5000000ull * 1024);
    EXPECT_GT(readPhysicalMemory().totalBytes, 0u);
}

TEST(EditorNumbers, FloatsRoundToNearestWithHalvesToEven)
{
    EXPECT_EQ(toLong(2.5), 2);
    EXPECT_EQ(toLong(3.5), 4);
    EXPECT_EQ(toLong(-2.5), -2);
    EXPECT_EQ(toLong(-2.6), -3);
    EXPECT_EQ(toInteger(32767.4), 32767);
}

TEST(EditorNumbers, OverflowIsAnErrorNotAWrapAround)
{
    EXPECT_THROW(toLong(2147483648.0), EditorOverflow);
    EXPECT_THROW(toLong(std::nan("")), EditorOverflow);
    EXPECT_THROW(toInteger(32767.5), EditorOverflow);
    EXPECT_THROW(checkedAdd(2147483647, 1), EditorOverflow);
    EXPECT_THROW(checkedSub(-2147483647 - 1, 1), EditorOverflow);
    EXPECT_THROW(checkedMul(65536, 32768), EditorOverflow);
    EXPECT_EQ(checkedMul(2, 1048574), 2097148);
}

}  // namespace
