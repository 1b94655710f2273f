// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// A program a test runs beside itself, with an environment of its own and its output in a file.
// It is stopped (signal, then SIGKILL after a bounded wait) at the latest when this goes, and
// killed when the test process dies without running its destructors.
class ChildProcess {
public:
    using Environment = std::map<std::string, std::string>;

    // Starts argv[0], looked up in PATH, with exactly environment; standard output and error go
    // to output. running() tells whether it started.
    ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                 const std::filesystem::path& output);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running();
    // Sends signal and waits up to limit for the end; then kills it. The exit status, or -1 when
    // it did not exit by itself (killed, or never started).
    int stop(int signal, std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
    // Waits up to limit for it to end by itself; its exit status, or -1 when it is still running
    // (it is then stopped) or ended by a signal.
    int wait(std::chrono::milliseconds limit);

private:
    bool reap(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int status_ = -1;
};

// The environment of this process as a map, to start children with a few values changed.
ChildProcess::Environment currentEnvironment();
