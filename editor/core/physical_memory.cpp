// SPDX-License-Identifier: GPL-3.0-or-later
#include "physical_memory.h"

#include <fstream>
#include <locale>
#include <sstream>
#include <string>

PhysicalMemory parseMeminfo(std::istream& meminfo)
{
    PhysicalMemory memory;
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        std::string name;
        uint64_t kilobytes = 0;
        if (!(fields >> name >> kilobytes)) continue;
        if (name == "MemTotal:") memory.totalBytes = kilobytes * 1024;
        if (name == "MemAvailable:") memory.availableBytes = kilobytes * 1024;
    }
    return memory;
}

PhysicalMemory readPhysicalMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    return parseMeminfo(meminfo);
}
