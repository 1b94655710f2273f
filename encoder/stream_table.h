// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "lame_stream.h"

namespace bladeenc {

// The open streams by handle. Handles are small numbers from 1 (0 is never a handle); a closed
// stream's handle is handed out again. Lookups share the stream, so closing it while another
// thread still encodes into it does not pull it away from under that thread.
class StreamTable {
public:
    uint32_t add(std::shared_ptr<LameStream> stream);
    // The stream with this handle, or null.
    std::shared_ptr<LameStream> find(uint32_t handle) const;
    // Takes the stream out of the table; false when no stream has this handle.
    bool remove(uint32_t handle);

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<LameStream>> slots_;  // handle - 1 is the index
};

}  // namespace bladeenc
