#include "mp3_export.h"

namespace brenvik {

// Placeholder until MP3 export lands.
int32_t saveAsMp3(const char*, std::span<const Frame>) { return -1; }

}  // namespace brenvik
