// SPDX-License-Identifier: GPL-3.0-or-later
// A client that opens the engine and ends without CloseLib: the engine is then closed by its
// own destructor at process exit, after every other static of the library may be gone. The
// fault this guards against shows only under the sanitizer builds, which abort the process
// at exit (and so fail the test) when the destructor calls through a destroyed object.
#include <gtest/gtest.h>

#include <cstdlib>

#include "brenvik.h"

namespace {

TEST(ExitWithoutClose, AFailedInputOpenLeavesAnEngineThatEndsCleanly)
{
    ::setenv("BRENVIK_AUDIO", "sim", 1);
    ::setenv("BRENVIK_SIM_FAIL", "in-open", 1);
    // The input side is the closed stand-in; preparing the second record header reports that.
    EXPECT_EQ(OpenLib(1000, 0), BRENVIK_ERR_NOT_OPEN);
    EXPECT_EQ(RecordWav(), BRENVIK_ERR_NOT_OPEN);
}

}  // namespace
