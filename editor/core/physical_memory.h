// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's physical memory as the kernel reports it.
#pragma once

#include <cstdint>
#include <istream>

struct PhysicalMemory {
    uint64_t totalBytes = 0;
    uint64_t availableBytes = 0;
};

// Reads MemTotal and MemAvailable from a /proc/meminfo text; missing lines give 0.
PhysicalMemory parseMeminfo(std::istream& meminfo);
// Reads /proc/meminfo.
PhysicalMemory readPhysicalMemory();
