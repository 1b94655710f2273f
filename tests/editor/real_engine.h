// SPDX-License-Identifier: GPL-3.0-or-later
// The engine library of this build, bound the way the program binds it, for tests that run the
// editor against the real engine on the simulated sound card.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine_binding.h"

inline EngineApi& realEngine()
{
    static EngineApi api = [] {
        setenv("BRENVIK_AUDIO", "sim", 0);
        EngineApi bound;
        const std::string error = bindEngine(BRENVIK_LIBRARY_PATH, bound);
        if (!error.empty()) ADD_FAILURE() << error;
        return bound;
    }();
    return api;
}
