// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine_binding.h"

namespace {

TEST(EngineBinding, MissingLibrary_GivesTheLoaderTextAndLeavesTheTableAlone)
{
    EngineApi api;
    const std::string error = bindEngine("libquorvel-no-such-engine.so", api);
    EXPECT_NE(error.find("libquorvel-no-such-engine.so"), std::string::npos) << error;
    EXPECT_EQ(api.OpenLib, nullptr);
}

TEST(EngineBinding, LibraryWithoutTheExports_BindsNothing)
{
    EngineApi api;
    const std::string error = bindEngine("libm.so.6", api);
    EXPECT_NE(error.find("OpenLib"), std::string::npos) << error;
    EXPECT_EQ(api.OpenLib, nullptr);
    EXPECT_EQ(api.SaveAsMp3, nullptr);
}

#ifdef BRENVIK_LIBRARY_PATH
TEST(EngineBinding, TheEngineLibrary_BindsAllThirteen)
{
    EngineApi api;
    EXPECT_EQ(bindEngine(BRENVIK_LIBRARY_PATH, api), "");
    for (auto entry :
         {(void*)api.OpenLib, (void*)api.CloseLib, (void*)api.TrackRead, (void*)api.TrackWrite,
          (void*)api.TrackClear, (void*)api.PlayWav, (void*)api.RecordWav, (void*)api.StopWav,
          (void*)api.GetPosition, (void*)api.IsPlaying, (void*)api.LoadWave, (void*)api.SaveAsWave,
          (void*)api.SaveAsMp3})
        EXPECT_NE(entry, nullptr);
}
#endif

TEST(EngineBindingDeath, LazyTableThatCannotBind_ReportsAndExitsWithStatusOne)
{
    EXPECT_EXIT(
        {
            EngineApi& api = lazyEngineApi(
                "libquorvel-no-such-engine.so",
                [](const std::string& text) { std::fprintf(stderr, "shown: %s\n", text.c_str()); });
            api.OpenLib(1048576, 0);
        },
        ::testing::ExitedWithCode(1),
        "libquorvel-no-such-engine.so.*\n.*shown: .*libquorvel-no-such-engine.so");
}

}  // namespace
