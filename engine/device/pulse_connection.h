// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wave_device.h"

namespace brenvik::device {

// The engine's connection to the desktop's sound server (PulseAudio, or PipeWire's pulse
// service): the client library's threaded main loop and one context on it. Every call into
// the library on these objects or on streams of this context is made with the loop's lock held
// (PulseLock). The library's callbacks run on the loop's thread and only wake the waiters. Every
// wait is bounded: a server that stops answering fails the wait instead of blocking it.
class PulseConnection {
public:
    // How long connecting, and each later request, may wait for the server.
    static constexpr std::chrono::milliseconds kAnswerLimit{1500};

    // Connects without starting a server; connected() tells whether one answered.
    PulseConnection();
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool connected();

    pa_context* context() { return context_; }
    pa_threaded_mainloop* loop() { return loop_; }

    // With the lock held: waits until done() holds, the context fails or limit has passed; whether
    // done() holds.
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = kAnswerLimit);
    // With the lock held: waits, bounded, for a request to finish; one that has not by then is
    // cancelled, so its callback never runs afterwards. Whether it finished. Takes the reference.
    bool finish(pa_operation* operation);
    // Wakes every waiter; for the library's callbacks.
    static void wake(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

    // The server's sources (see WaveBackend::listSources).
    int32_t listSources(std::vector<SourceInfo>& sources);
    // The programs playing into the output a source monitors (see WaveBackend::sourcePlayers).
    int32_t sourcePlayers(const std::string& source, std::vector<int32_t>& processes);

    // The device layer's error number for what the server last refused.
    int32_t errorNumber();

private:
    bool contextUsable();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

// Holds a connection's loop lock for a scope.
class PulseLock {
public:
    explicit PulseLock(PulseConnection& connection)
        : loop_(connection.loop())
    {
        pa_threaded_mainloop_lock(loop_);
    }
    ~PulseLock() { pa_threaded_mainloop_unlock(loop_); }
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

}  // namespace brenvik::device
