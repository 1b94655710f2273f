// SPDX-License-Identifier: GPL-3.0-or-later
#include "track_length.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "editor_numbers.h"
#include "plain_number.h"

int32_t trackLengthFromSetting(std::string_view text)
{
    const std::optional<double> number = quorvel::plainNumber(text);
    if (!number) return kDefaultTrackLength;
    // Out-of-range sizes cannot be shown by the settings dialog; they are held to 1..256 MB.
    return toLong(std::clamp(*number, double(kMinTrackLength), double(kMaxTrackLength)));
}

std::string recordingTimeText(double megabytes)
{
    const int32_t seconds = toLong(megabytes * 1048576.0 / kBytesPerSecond);
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d", int(seconds / 60), int(seconds % 60));
    return text;
}

int32_t roundedMegabytes(uint64_t bytes)
{
    return toLong(double(bytes) / 1048576.0);
}
