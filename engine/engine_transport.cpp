// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine.h"

namespace brenvik {

int32_t Engine::play(FrameRange range)
{
    log_->write("Play\n");
    return session_ ? session_->play(range) : device::kInvalidHandle;
}

int32_t Engine::record()
{
    log_->write("Record\n");
    return session_ ? session_->record(chosenSource_) : device::kInvalidHandle;
}

int32_t Engine::stop()
{
    log_->write("Stop\n");
    return session_ ? session_->stop() : device::kInvalidHandle;
}

int32_t Engine::position()
{
    return session_ ? session_->position() : 0;
}

}  // namespace brenvik
