// SPDX-License-Identifier: GPL-3.0-or-later
// The message after an MP3 save, for each result SaveAsMp3 can return: the words the user reads
// for each failure, so that no two results share one and no code falls through to another's.
#include <gtest/gtest.h>

#include "brenvik.h"
#include "messages.h"

namespace {

TEST(Messages, EachMp3SaveResultHasItsOwnMessage)
{
    const struct {
        int32_t code;
        const char* message;
    } results[] = {
        {BRENVIK_OK, "Successfully Saved!"},
        {BRENVIK_MP3_NO_ENCODER,
         "Error in SaveAsMp3: Unable to load Bladeenc.dll.  "
         "Make sure you have this file before saving as an mp3."},
        {BRENVIK_MP3_DISK_ERROR, "Error in SaveAsMp3: Disk Error."},
        {BRENVIK_MP3_STREAM_ERROR, "Error in SaveAsMp3: Stream Error."},
        {BRENVIK_MP3_MEMORY_ERROR, "Error in SaveAsMp3: Memory Error."},
        {BRENVIK_MP3_ENCODING_ERROR, "Error in SaveAsMp3: Encoding Error."},
        {BRENVIK_ERR_NOT_RESPONDING, "Error in SaveAsMp3: Unknown Error."},
        {-99, "Error in SaveAsMp3: Unknown Error."},
    };
    for (const auto& result : results)
        EXPECT_EQ(messages::mp3SaveResult(result.code), result.message) << "result " << result.code;
}

}  // namespace
