// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "session.h"

namespace brenvik {

int32_t Session::listSources(std::vector<device::SourceInfo>& sources)
{
    const int32_t result = call([this] {
        listedSources_.clear();
        return backend_ ? backend_->listSources(listedSources_) : device::kInvalidHandle;
    });
    if (result == device::kNoError) {
        sources = listedSources_;
    }
    return result;
}

int32_t Session::selectSource(const std::string& name)
{
    if (transportRunning()) {
        return device::kStillPlaying;
    }
    if (!name.empty()) {
        std::vector<device::SourceInfo> sources;
        if (const int32_t result = listSources(sources); result != device::kNoError) {
            return result;
        }
        const bool listed =
            std::any_of(sources.begin(), sources.end(),
                        [&](const device::SourceInfo& source) { return source.name == name; });
        if (!listed) {
            return device::kBadDeviceId;
        }
    }
    return call([this, name] { return input().useSource(name); });
}

int32_t Session::sourcePlayers(const std::string& source, std::vector<int32_t>& processes)
{
    // A call the deadline gives up on may still finish later: it writes into the session's own
    // list, not into the caller's.
    const int32_t result = call([this, source] {
        listedPlayers_.clear();
        return backend_ ? backend_->sourcePlayers(source, listedPlayers_) : device::kInvalidHandle;
    });
    processes = result == device::kNoError ? listedPlayers_ : std::vector<int32_t>{};
    return result;
}

}  // namespace brenvik
