// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>

namespace brenvik {

// The engine's optional diagnostic log. Each message is appended on its own (the file is opened,
// written and closed per message) so the log survives a crash up to its last line. Messages
// are dropped silently while logging is off, when neither XDG_STATE_HOME nor HOME is set, or
// when the file cannot be opened.
class DiagnosticLog {
public:
    // Switching the log on works out where it goes, once: the environment is read and the
    // directory created here, so that a message (also one from the device thread) is only
    // appended. Called while no device thread runs.
    void setEnabled(bool on);
    bool enabled() const { return enabled_.load(std::memory_order_relaxed); }

    // Appends message exactly as given (callers include the trailing line feed).
    void write(const char* message) const;

    // $XDG_STATE_HOME/pellam.log, or $HOME/.local/state/pellam.log; the directory is created.
    // Empty when neither variable is set (or both are empty).
    static std::string path();

private:
    std::atomic<bool> enabled_{false};
    std::string file_;  // where the log went when it was last switched on
};

}  // namespace brenvik
