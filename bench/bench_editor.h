// SPDX-License-Identifier: GPL-3.0-or-later
// What the benchmarks of the editor's core share: the engine library named on the command line
// (libbrenvik.so, found beside the program, by default) on the simulated card, and the core
// started on a track of a given length behind the tests' fake window.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor.h"
#include "engine_binding.h"
#include "fake_window.h"

// The bound engine; exits with the loader's text when the library cannot be bound.
inline EngineApi bindBenchEngine(int argc, char** argv)
{
    setenv("BRENVIK_AUDIO", "sim", 0);
    const std::string library = argc > 1 ? argv[1] : "libbrenvik.so";
    EngineApi engine;
    if (const std::string error = bindEngine(library.c_str(), engine); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return engine;
}

// The editor started on a track of `frames`, the whole of it selected; the engine is closed at
// the end. Exits when the engine cannot open the track.
struct BenchEditor {
    BenchEditor(EngineApi& engine, int32_t frames)
        : editor(engine, window)
    {
        window.settings["Defaults/Memory"] = std::to_string(frames);
        editor.startup();
        if (editor.state().frm.bInitLib) return;
        std::fprintf(stderr, "the engine did not open a track of %d frames\n", frames);
        std::exit(1);
    }
    ~BenchEditor() { editor.files().closeDevices(); }
    BenchEditor(const BenchEditor&) = delete;
    BenchEditor& operator=(const BenchEditor&) = delete;

    FakeWindow window;
    Editor editor;
};
