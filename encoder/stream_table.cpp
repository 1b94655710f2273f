// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream_table.h"

#include <algorithm>

namespace bladeenc {

uint32_t StreamTable::add(std::shared_ptr<LameStream> stream)
{
    std::lock_guard lock(mutex_);
    auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free == slots_.end()) free = slots_.insert(free, nullptr);
    *free = std::move(stream);
    return static_cast<uint32_t>(free - slots_.begin()) + 1;
}

std::shared_ptr<LameStream> StreamTable::find(uint32_t handle) const
{
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > slots_.size()) return nullptr;
    return slots_[handle - 1];
}

bool StreamTable::remove(uint32_t handle)
{
    std::shared_ptr<LameStream> closing;  // released after the lock, LAME's clean-up included
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > slots_.size() || !slots_[handle - 1]) return false;
    closing = std::move(slots_[handle - 1]);
    return true;
}

}  // namespace bladeenc
