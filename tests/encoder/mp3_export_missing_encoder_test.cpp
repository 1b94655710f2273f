// SaveAsMp3 when no usable encoder library sits beside the engine. A library that a process has
// loaded once is found again by name, so each case needs a process in which no libbladeenc.so
// has been loaded yet (ctest runs every case in a process of its own).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine_library.h"
#include "test_files.h"

namespace {

constexpr int32_t kTrackFrames = 1024;

bool encoderAlreadyLoaded() { return dlopen("libbladeenc.so", RTLD_NOW | RTLD_NOLOAD) != nullptr; }

// Exports a few frames through the engine copy at enginePath; returns the export's result.
int32_t exportThrough(const std::string& enginePath, const std::string& mp3Path) {
    setenv("BRENVIK_AUDIO", "sim", 1);
    EngineLibrary engine;
    const std::string error = engine.load(enginePath);
    EXPECT_EQ(error, "");
    if (!error.empty()) return 0;
    EXPECT_EQ(engine.openLib(kTrackFrames, 0), 0);
    const int32_t result = engine.saveAsMp3(0, kTrackFrames, mp3Path.c_str());
    engine.closeLib();
    return result;
}

TEST(Mp3ExportWithoutEncoder, NoLibrary_FailsWithMinusOneAndCreatesNoFile) {
    ASSERT_FALSE(encoderAlreadyLoaded());
    TempDirectory dir;
    const std::string path = dir.file("out.mp3");

    EXPECT_EQ(exportThrough(NO_ENCODER_DIR "/libbrenvik.so", path), -1);

    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Mp3ExportWithoutEncoder, LibraryLackingAnEntryPoint_FailsWithMinusOneAndCreatesNoFile) {
    ASSERT_FALSE(encoderAlreadyLoaded());
    TempDirectory dir;
    const std::string path = dir.file("out.mp3");

    EXPECT_EQ(exportThrough(PARTIAL_ENCODER_DIR "/libbrenvik.so", path), -1);

    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(encoderAlreadyLoaded());  // it was found, and is left loaded
}

}  // namespace
