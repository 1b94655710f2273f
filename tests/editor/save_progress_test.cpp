// The share of a save the busy window shows, from the size the file has reached.
#include <gtest/gtest.h>

#include "save_progress.h"

namespace {

TEST(SaveProgress, WavIsTheHeaderAndFourBytesAFrame_Mp3TheBitRateOverWholeEncoderFrames)
{
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Wav, 0), 44u);
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Wav, 1000), 4044u);
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Wav, 67108862), 268435492u);  // the 256 MB track, whole
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Mp3, 0), 0u);
    // 1000 encoder frames of 1152 at 192 kbit/s and 44100 Hz: 626.94 bytes each.
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Mp3, 1152000), 626938u);
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Mp3, 1151001), 626938u);  // a part frame is a whole one
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Mp3, 1), 626u);
}

TEST(SaveProgress, PercentFollowsTheFileAndStaysBelowAHundredUntilTheSaveReturns)
{
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 0), 0);
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 2022), 50);
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 4043), 99);
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 4044), 99);
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 1152000, 313469), 50);
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 1152000, 700000), 99);  // the encoder's last frames
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 0, 0), 0);  // an empty selection writes nothing
}

}  // namespace
