// SPDX-License-Identifier: GPL-3.0-or-later
#include "time_readout.h"

#include <algorithm>
#include <cstdio>

#include "brenvik.h"
#include "messages.h"

std::string trackTimeText(int64_t frames)
{
    const int64_t milliseconds = frames * 1000 / BRENVIK_SAMPLE_RATE;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld",
                  static_cast<long long>(milliseconds / 60000),
                  static_cast<long long>(milliseconds / 1000 % 60),
                  static_cast<long long>(milliseconds % 1000));
    return text;
}

std::string viewToolTipText(int32_t pointerFrame, int32_t clipbegin, int32_t clipend)
{
    const int64_t start = std::min(clipbegin, clipend);
    const int64_t end = std::max(clipbegin, clipend);
    return messages::viewToolTip(trackTimeText(pointerFrame), trackTimeText(start),
                                 trackTimeText(end), trackTimeText(end - start));
}
