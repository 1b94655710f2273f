// SPDX-License-Identifier: GPL-3.0-or-later
// Times in the track as the user reads them: minutes, seconds and milliseconds of audio at
// 44100 frames a second.
#pragma once

#include <cstdint>
#include <string>

// "m:ss.mmm" for 0 or more frames, the milliseconds cut, not rounded: 141120 frames (3.2 s)
// read "0:03.200".
std::string trackTimeText(int64_t frames);

// The view's tool tip: the time under the pointer, then the selection's start, end and length.
// A selection whose end lies before its start (a drag to the left) reads in order.
std::string viewToolTipText(int32_t pointerFrame, int32_t clipbegin, int32_t clipend);
