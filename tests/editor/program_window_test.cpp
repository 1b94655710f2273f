// SPDX-License-Identifier: GPL-3.0-or-later
// The program in a real window: started under its own Xvfb server, the settings dialog accepted
// with the keyboard, the main window shown and photographed, then closed through File Exit.
#include "program_window.h"

namespace {

using namespace program_window;

TEST_F(ProgramWindow, StartsAcceptsTheSettingsShowsTheTrackAndClosesStoringTheLength)
{
    auto quorvel = startProgram();
    const auto settings = waitForWindow("^Project Settings$");
    ASSERT_TRUE(settings) << "the settings dialog did not appear";
    ASSERT_TRUE(keysTo(*settings, "Return"));
    const auto mainWindow = waitForWindow("^Dravenna - $");
    ASSERT_TRUE(mainWindow) << "the main window did not show its title";
    ASSERT_TRUE(waitUntilGone("^Please wait")) << "the busy window stayed up";

    const fs::path screenshot = fs::current_path() / "main-window.png";
    EXPECT_TRUE(x11("import -window " + *mainWindow + " " + screenshot.string()));
    EXPECT_GT(fs::file_size(screenshot), 1000u);

    EXPECT_EQ(exitThroughTheMenu(*quorvel, *mainWindow), 0);
    EXPECT_NE(storedSettings().find("[Defaults]\nMemory=1048576"), std::string::npos)
        << storedSettings();
}

TEST_F(ProgramWindow, WithoutSoundDevices_ReportsTheErrorAndStaysUsableAndClosable)
{
    auto quorvel = startProgram({{"BRENVIK_SIM_FAIL", "out-open,in-open"}});
    const auto settings = waitForWindow("^Project Settings$");
    ASSERT_TRUE(settings);
    ASSERT_TRUE(keysTo(*settings, "Return"));
    const auto message = waitForWindow("^Quorvel$");
    ASSERT_TRUE(message) << "no message box";
    const fs::path screenshot = fs::current_path() / "device-error.png";
    EXPECT_TRUE(x11("import -window " + *message + " " + screenshot.string()));
    ASSERT_TRUE(keysTo(*message, "Return"));
    ASSERT_TRUE(waitUntilGone("^Quorvel$"));
    const auto mainWindow = waitForWindow("^Dravenna - $");
    ASSERT_TRUE(mainWindow);
    ASSERT_TRUE(waitUntilGone("^Please wait"));
    EXPECT_EQ(exitThroughTheMenu(*quorvel, *mainWindow), 0);
    EXPECT_NE(storedSettings().find("Memory=1048576"), std::string::npos);
}

}  // namespace
