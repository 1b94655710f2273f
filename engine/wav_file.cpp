#include "wav_file.h"

namespace brenvik {

// Placeholder until the WAV reader and writer land.
int32_t loadWave(const char*, std::span<Frame>, const DiagnosticLog&) { return kLoadCannotOpen; }
int32_t saveAsWave(const char*, std::span<const Frame>, const DiagnosticLog&) { return -1; }

}  // namespace brenvik
