// SPDX-License-Identifier: GPL-3.0-or-later
// A private session bus (dbus-daemon) and test players on it (fake_player.py), for the tests of
// what the editor hears from the desktop's players. Nothing touches the user's own bus.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "temp_directory.h"

namespace session_bus {

// The text of a file as it is now (empty when it cannot be read).
inline std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Calls pump until done() holds or limit has passed; whether done() held.
inline bool waitFor(const std::function<bool()>& done, const std::function<void()>& pump,
                    std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (pump)
            pump();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace session_bus

// A dbus-daemon of the test's own, listening on a socket in a temporary directory.
class PrivateSessionBus {
public:
    PrivateSessionBus()
        : socket_(directory_.file("bus"))
    {
        daemon_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                     "--address=unix:path=" + socket_},
            currentEnvironment(), directory_.file("daemon.log"));
        session_bus::waitFor([&] { return std::filesystem::exists(socket_); }, nullptr,
                             std::chrono::seconds(10));
    }

    bool running() const { return std::filesystem::exists(socket_) && daemon_->running(); }
    std::string address() const { return "unix:path=" + socket_; }

private:
    TempDirectory directory_;
    std::string socket_;
    std::unique_ptr<ChildProcess> daemon_;
};

// A player on the session bus named by DBUS_SESSION_BUS_ADDRESS, announcing on command.
class FakePlayer {
public:
    // name: the end of its bus name; status and metadata (JSON) what it has at the start.
    FakePlayer(const std::string& name, const std::string& status, const std::string& metadata)
        : control_(directory_.file("control")),
          output_(directory_.file("output"))
    {
        mkfifo(control_.c_str(), 0600);
        player_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/usr/bin/python3", QUORVEL_FAKE_PLAYER, "--name", name,
                                     "--control", control_, "--status", status, "--metadata",
                                     metadata},
            currentEnvironment(), output_);
        ready_ = session_bus::waitFor([&] { return output().find("ready\n") != std::string::npos; },
                                      nullptr, std::chrono::seconds(10));
        if (ready_) writer_ = open(control_.c_str(), O_WRONLY);
    }
    ~FakePlayer()
    {
        if (writer_ >= 0) close(writer_);
    }
    FakePlayer(const FakePlayer&) = delete;
    FakePlayer& operator=(const FakePlayer&) = delete;

    bool ready() const { return ready_ && writer_ >= 0; }
    std::string output() const { return session_bus::fileText(output_); }

    // Sends command (a JSON object) and calls pump until the player says it has signalled it;
    // whether it did within two seconds.
    bool announce(const std::string& command, const std::function<void()>& pump)
    {
        const std::string line = command + "\n";
        if (write(writer_, line.data(), line.size()) != ssize_t(line.size())) return false;
        const std::string told = "announced " + std::to_string(++announced_) + "\n";
        return session_bus::waitFor([&] { return output().find(told) != std::string::npos; }, pump,
                                    std::chrono::seconds(2));
    }

private:
    TempDirectory directory_;
    std::string control_;
    std::string output_;
    std::unique_ptr<ChildProcess> player_;
    bool ready_ = false;
    int writer_ = -1;
    int announced_ = 0;
};
