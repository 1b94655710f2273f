// SPDX-License-Identifier: GPL-3.0-or-later
#include "diagnostic_log.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace brenvik {

std::string DiagnosticLog::path()
{
    namespace fs = std::filesystem;
    fs::path dir;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
        dir = state;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = fs::path(home) / ".local" / "state";
    } else {
        return {};  // no state directory: no log file anywhere else either
    }
    std::error_code ignored;
    fs::create_directories(dir, ignored);
    return (dir / "pellam.log").string();
}

void DiagnosticLog::setEnabled(bool on)
{
    if (on) {
        file_ = path();
    }
    enabled_.store(on, std::memory_order_relaxed);
}

void DiagnosticLog::write(const char* message) const
{
    if (!enabled() || file_.empty()) {
        return;
    }
    if (std::FILE* file = std::fopen(file_.c_str(), "a")) {
        std::fputs(message, file);
        std::fclose(file);
    }
}

}  // namespace brenvik
