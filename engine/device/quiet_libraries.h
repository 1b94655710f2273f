// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace brenvik::device {

// Silences what the sound libraries under PortAudio print on standard error while it probes the
// devices (ALSA's error handler, JACK's error and information messages when no JACK server
// runs). The engine's own messages are kept. Harmless where a library is not loaded.
void quietenSoundLibraries();

}  // namespace brenvik::device
