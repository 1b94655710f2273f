// SPDX-License-Identifier: GPL-3.0-or-later
// The share of a save the busy window shows, from the size the file has reached.
#include <gtest/gtest.h>

#include "save_progress.h"

namespace {

TEST(SaveProgress, WavCountsHeaderAndFramesExactly_Mp3TheBitRate_BothHeldBelowAHundred)
{
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Wav, 1000), 4044u);  // 44 + 4 a frame
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 2022), 50);
    EXPECT_EQ(savePercent(SaveFormat::Wav, 1000, 4044), 99);  // written, but not yet returned
    // 1000 encoder frames of 1152 at 192 kbit/s and 44100 Hz: 626.94 bytes each; a part frame
    // is a whole one.
    EXPECT_EQ(expectedSaveBytes(SaveFormat::Mp3, 1151001), 626938u);
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 1152000, 313469), 50);
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 1152000, 700000), 99);  // the encoder's last frames
    EXPECT_EQ(savePercent(SaveFormat::Mp3, 0, 0), 0);  // an empty selection writes nothing
}

}  // namespace
