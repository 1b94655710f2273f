#include <gtest/gtest.h>

#include <sstream>

#include "physical_memory.h"

namespace {

TEST(PhysicalMemoryInfo, TotalAndAvailableInBytes)
{
    std::istringstream meminfo("MemTotal:        8036812 kB\nMemFree:          123 kB\n"
                               "MemAvailable:    5000000 kB\nBuffers: 1 kB\n");
    const PhysicalMemory memory = parseMeminfo(meminfo);
    EXPECT_EQ(memory.totalBytes, 8036812ull * 1024);
    EXPECT_EQ(memory.availableBytes, 5000000ull * 1024);
    EXPECT_GT(readPhysicalMemory().totalBytes, 0u);
}

}  // namespace
