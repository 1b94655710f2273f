// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>

#include "physical_memory.h"

namespace {

TEST(PhysicalMemoryInfo, TotalAndAvailableInBytes)
{
    std::istringstream meminfo(
        "MemTotal:        8036812 kB\nMemFree:          123 kB\n"
        "MemAvailable:    5000000 kB\nBuffers: 1 kB\n");
    const PhysicalMemory memory = parseMeminfo(meminfo);
    EXPECT_EQ(memory.totalBytes, 8036812ull * 1024);
    EXPECT_EQ(memory.availableBytes, 5000000ull * 1024);
}

// The reading of this machine's /proc/meminfo, whose lines the table above stands for.
TEST(PhysicalMemoryInfo, ThisMachine_HasATotalAndLessAvailable)
{
    const PhysicalMemory memory = readPhysicalMemory();
    EXPECT_GT(memory.availableBytes, 0u);
    EXPECT_LE(memory.availableBytes, memory.totalBytes);
}

}  // namespace
