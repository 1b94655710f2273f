// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "physical_memory.h"

namespace {

TEST(PhysicalMemoryInfo, TotalAndAvailableInBytes)
{
    std::istringstream meminfo("MemTotal:        8036812 kB\nMemFree:          123 kB\n"
                               "MemAvailable:    5000000 kB\nBuffers: 1 kB\n");
    const PhysicalMemory memory = parseMeminfo(meminfo);
    EXPECT_EQ(memory.totalBytes, 8036812ull * 1024);
    EXPECT_EQ(memory.availableBytes, 5000000ull * 1024);
}

// What the kernel's file says, found in it here with a plain scan of its own.
uint64_t kilobytesIn(const char* field)
{
    std::ifstream meminfo("/proc/meminfo");
    const std::string wanted = std::string(field) + ":";
    for (std::string line; std::getline(meminfo, line);) {
        unsigned long long kilobytes = 0;
        char unit[4] = {};
        if (line.rfind(wanted, 0) == 0 && std::sscanf(line.c_str() + wanted.size(), "%llu %3s", &kilobytes, unit) == 2)
            return kilobytes;
    }
    return 0;
}

TEST(PhysicalMemoryInfo, ThisMachine_TheKernelsTotalInBytes)
{
    const uint64_t total = kilobytesIn("MemTotal");
    ASSERT_GT(total, 0u) << "no MemTotal in /proc/meminfo";
    const PhysicalMemory memory = readPhysicalMemory();
    EXPECT_EQ(memory.totalBytes, total * 1024);
    EXPECT_GT(memory.availableBytes, 0u);
    EXPECT_LE(memory.availableBytes, memory.totalBytes);
}

}  // namespace
