// SPDX-License-Identifier: GPL-3.0-or-later
// The program in a real window: each test starts its own Xvfb server and runs the program built
// here on it, with a private settings folder and the simulated sound card, and drives it with
// xdotool as a user would. The tests skip when Xvfb, xdotool or import is missing.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <QImage>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"

namespace program_window {

namespace fs = std::filesystem;

inline bool onPath(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its standard output, or nothing when it failed.
inline std::optional<std::string> shell(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pclose(pipe) != 0) return std::nullopt;
    return output;
}

class ProgramWindow : public ::testing::Test {
protected:
    fs::path home = fs::temp_directory_path() / ("quorvel-window-test-" + std::to_string(getpid()));
    std::string display;
    std::unique_ptr<ChildProcess> xvfb;
    std::string screen = "1024x768x24";  // the server's screen, width x height x depth

    void SetUp() override
    {
        if (!onPath("Xvfb"))
            GTEST_SKIP() << "Xvfb is not installed: the real-window check needs an X server";
        for (const char* tool : {"xdotool", "import"})
            if (!onPath(tool))
                GTEST_SKIP() << tool << " is not installed: the real-window check needs it";
        fs::remove_all(home);
        fs::create_directories(home / "config");
        startServer();
    }

    void TearDown() override { fs::remove_all(home); }

    void startServer()
    {
        int displayPipe[2];
        ASSERT_EQ(pipe(displayPipe), 0);
        // The server picks a free display and writes its number into the pipe it inherits.
        xvfb = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(displayPipe[1]),
                                     "-screen", "0", screen, "-nolisten", "tcp"},
            currentEnvironment(), home / "xvfb.log");
        close(displayPipe[1]);
        std::string number;
        char digit = 0;
        while (read(displayPipe[0], &digit, 1) == 1 && digit != '\n') number += digit;
        close(displayPipe[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not report its display";
        display = ":" + number;
    }

    // The program on the server, with its own settings and the simulated sound card.
    std::unique_ptr<ChildProcess> startProgram(
        const ChildProcess::Environment& extraEnvironment = {})
    {
        auto environment = currentEnvironment();
        environment.erase("QT_QPA_PLATFORM");
        environment["DISPLAY"] = display;
        environment["HOME"] = home.string();
        environment["XDG_CONFIG_HOME"] = (home / "config").string();
        environment["BRENVIK_AUDIO"] = "sim";
        for (const auto& [name, value] : extraEnvironment) environment[name] = value;
        auto program = std::make_unique<ChildProcess>(std::vector<std::string>{QUORVEL_PROGRAM},
                                                      environment, home / "quorvel.log");
        EXPECT_TRUE(program->running());
        return program;
    }

    std::optional<std::string> x11(const std::string& command)
    {
        return shell("export DISPLAY=" + display + "; " + command);
    }

    // Waits until a visible window whose title matches is there; its id.
    std::optional<std::string> waitForWindow(const std::string& titlePattern)
    {
        auto found =
            x11("timeout 20 xdotool search --sync --onlyvisible --name '" + titlePattern + "'");
        if (!found) return std::nullopt;
        return found->substr(0, found->find('\n'));
    }

    bool waitUntilGone(const std::string& titlePattern)
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (!x11("xdotool search --onlyvisible --name '" + titlePattern + "' >/dev/null 2>&1"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // There is no window manager: the window is given the focus, and the keys are pressed on the
    // server's test keyboard only once the server reports it focused (xdotool's key --window,
    // its default inside a command chain, would send each event one way or another depending on
    // where the focus is at that moment).
    bool keysTo(const std::string& window, const std::string& keys)
    {
        return x11(focused(window) + " && xdotool key --delay 50 " + keys).has_value();
    }

    // Types text into the focused window, as keysTo presses keys.
    bool typeTo(const std::string& window, const std::string& text)
    {
        return x11(focused(window) + " && xdotool type --delay 20 '" + text + "'").has_value();
    }

    // A shell command that focuses window and succeeds once the server reports it focused.
    static std::string focused(const std::string& window)
    {
        const std::string isFocused = "[ \"$(xdotool getwindowfocus)\" = " + window + " ]";
        return "timeout 20 xdotool windowfocus --sync " + window + " && for i in $(seq 50); do " +
               isFocused + " && break; sleep 0.1; done && " + isFocused;
    }

    // Accepts the settings dialog that start-up shows, with Return; the main window's id once it
    // shows its title, or nothing.
    std::optional<std::string> acceptSettings()
    {
        const auto settings = waitForWindow("^Project Settings$");
        if (!settings || !keysTo(*settings, "Return")) return std::nullopt;
        return waitForWindow("^Dravenna - $");
    }

    // Closes the main window through File Exit; the program's exit status, or -1 when it did
    // not exit by itself within 20 seconds.
    int exitThroughTheMenu(ChildProcess& program, const std::string& mainWindow)
    {
        EXPECT_TRUE(keysTo(mainWindow, "alt+f x"));
        return program.wait(std::chrono::seconds(20));
    }

    // The window as the X server shows it; a null image when it cannot be read.
    QImage screenshot(const std::string& window)
    {
        const fs::path file = home / "shot.png";
        if (!x11("import -window " + window + " " + file.string())) return {};
        return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
    }

    std::string storedSettings()
    {
        std::ifstream settings(home / "config" / "Quorvel" / "Quorvel.conf");
        std::stringstream text;
        text << settings.rdbuf();
        return text.str();
    }
};

}  // namespace program_window
