// SPDX-License-Identifier: GPL-3.0-or-later
// SaveAsMp3 when no usable encoder library sits beside the engine. A library that a process has
// loaded once is found again by name, so each case needs a process in which no libbladeenc.so
// has been loaded yet (ctest runs every case in a process of its own).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine_library.h"
#include "temp_directory.h"

namespace {

constexpr int32_t kTrackFrames = 1024;

bool encoderAlreadyLoaded()
{
    return dlopen("libbladeenc.so", RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

// Exports a few frames through the engine copy at enginePath: the export must fail with -1
// before it creates the file.
void expectNoEncoderAndNoFile(const std::string& enginePath)
{
    setenv("BRENVIK_AUDIO", "sim", 1);
    EngineLibrary engine;
    ASSERT_EQ(engine.load(enginePath), "");
    ASSERT_EQ(engine.openLib(kTrackFrames, 0), 0);
    TempDirectory dir;
    const std::string path = dir.file("out.mp3");

    EXPECT_EQ(engine.saveAsMp3(0, kTrackFrames, path.c_str()), BRENVIK_MP3_NO_ENCODER);

    EXPECT_FALSE(std::filesystem::exists(path));
    engine.closeLib();
}

TEST(Mp3ExportWithoutEncoder, NoLibrary_FailsWithMinusOneAndCreatesNoFile)
{
    ASSERT_FALSE(encoderAlreadyLoaded());
    expectNoEncoderAndNoFile(NO_ENCODER_DIR "/libbrenvik.so");
}

TEST(Mp3ExportWithoutEncoder, LibraryLackingAnEntryPoint_FailsWithMinusOneAndCreatesNoFile)
{
    ASSERT_FALSE(encoderAlreadyLoaded());
    expectNoEncoderAndNoFile(PARTIAL_ENCODER_DIR "/libbrenvik.so");
    EXPECT_TRUE(encoderAlreadyLoaded());  // it was found, and is left loaded
}

}  // namespace
