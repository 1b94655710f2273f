// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

// A PulseAudio server private to one test: its own runtime directory, home and socket under the
// given directory, null sinks (44100 Hz, s16le, stereo) of the given names, each described by its
// name, and no other device.
// It is PulseAudio itself, or PipeWire with its session manager and its pulse service, clocked
// at 44100 Hz so that nothing is resampled. It is stopped when this goes.
class PulseServer {
public:
    enum class Flavour { kPulseAudio, kPipeWire };

    // Starts the server and waits, bounded, until it answers; ready() tells whether it does.
    PulseServer(const std::filesystem::path& dir, const std::vector<std::string>& sinks,
                Flavour flavour = Flavour::kPulseAudio);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool ready() const { return ready_; }
    // Kills the server with SIGKILL, as a crash would: its clients are left without a word.
    void kill();
    // Starts a PulseAudio server again on the same socket (stopping it first if it runs); true
    // once it answers.
    bool restart();
    // Why the server is not ready: what it and the tools said.
    std::string failure() const;

    // This process's environment with HOME, XDG_RUNTIME_DIR, XDG_CONFIG_HOME and PULSE_SERVER
    // pointing at this server's, for the tools a test starts.
    ChildProcess::Environment clientEnvironment() const;
    // Sets those variables in this process, so that ALSA's pulse plugin reaches this server. The
    // home holds an .asoundrc that makes ALSA's "default" device this server's.
    void makeThisProcessAClient() const;

    // Runs a pulse tool (pactl, pacat, parecord, paplay) against this server, its output in the
    // server's directory.
    std::unique_ptr<ChildProcess> start(std::vector<std::string> argv) const;
    // Runs pactl with arguments and waits, bounded; true when it succeeds.
    bool pactl(const std::vector<std::string>& arguments) const;

    std::filesystem::path dir() const { return dir_; }

private:
    // Starts the PulseAudio daemon and waits, bounded, until it answers.
    void startPulseAudioDaemon();
    bool answers() const;
    void startPulseAudio(const std::vector<std::string>& sinks);
    void startPipeWire(const std::vector<std::string>& sinks);
    bool waitUntilAnswering();

    std::filesystem::path dir_;
    std::filesystem::path home_;
    std::filesystem::path runtime_;
    std::vector<std::unique_ptr<ChildProcess>> helpers_;  // PipeWire's daemon and session manager
    std::unique_ptr<ChildProcess> server_;                // what serves the pulse protocol
    bool ready_ = false;
};
