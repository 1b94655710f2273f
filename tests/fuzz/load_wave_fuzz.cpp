// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer's entry point over LoadWave: any input that breaks load_wave_check's rules stops
// the run.
#include "load_wave_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!load_wave_check::loadBehaves(data, size)) {
        __builtin_trap();
    }
    return 0;
}
