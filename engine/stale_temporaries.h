// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <time.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace brenvik {

// The hidden name a save's file takes beside its target before it is renamed over it:
// "." + target name (its first 200 bytes, so that the whole stays within the 255 bytes a name
// may have) + "." + suffix as eight lower-case hexadecimal digits.
std::string hiddenTemporaryName(std::string_view targetName, uint32_t suffix);

// Whether name is such a hidden name around the name of a WAV or MP3 file (".wav" or ".mp3" in
// any case), the only kind of file a save ever leaves.
bool isStaleTemporaryName(std::string_view name);

// Removes from directory the files a killed save left there: regular files (no links) of the
// process's user, named as isStaleTemporaryName says, last changed before before. Best effort:
// a file that cannot be looked at or removed stays.
void removeStaleTemporaries(const std::filesystem::path& directory, const timespec& before);

}  // namespace brenvik
