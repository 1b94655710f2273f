// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "pulse_connection.h"
#include "wave_device.h"

namespace brenvik::device {

// A playback device on the server's default output. Its stream is connected by the first write
// after a reset (a server that refuses fails that write) and disconnected by the reset, which
// silences it at once. Its frame count is the frames heard, by the server's timing, and a
// played header comes back once its last frame has been heard.
std::unique_ptr<WaveOutput> makePulseOutput(PulseConnection& connection, WaveCallback callback,
                                            void* context);

// A record device: start connects a stream to the source chosen by useSource (the default one
// when none was), the reset disconnects it. Holes the server reports are recorded as silence
// and noted as lost. It does not deliver kInputOpen; the back end does.
std::unique_ptr<WaveInput> makePulseInput(PulseConnection& connection, WaveCallback callback,
                                          void* context);

}  // namespace brenvik::device
