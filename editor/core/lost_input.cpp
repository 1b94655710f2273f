// SPDX-License-Identifier: GPL-3.0-or-later
// Input lost while recording: after the stop the user is told how much, and the view marks each
// place with a red tick on its time axis.
#include <cmath>

#include "editor.h"

namespace {

constexpr int32_t kMarkHeight = 8;  // taller than the time axis's own ticks

}  // namespace

int64_t Editor::takeLostInput()
{
    lostInputFrames_.clear();
    const int32_t count = engine_.GetLostInput(nullptr, 0);
    if (count <= 0) return 0;
    std::vector<int32_t> stretches(size_t(count) * 2);
    const int32_t written = std::min(count, engine_.GetLostInput(stretches.data(), count));
    int64_t lostFrames = 0;
    for (int32_t i = 0; i < written; ++i) {
        lostInputFrames_.push_back(stretches[size_t(i) * 2]);
        lostFrames += stretches[size_t(i) * 2 + 1];
    }
    return std::llround(double(lostFrames) * 1000 / 44100);
}

void Editor::reportLostInput(int64_t milliseconds)
{
    if (milliseconds <= 0) return;
    window_.messageBox(std::to_string(milliseconds) +
                       " ms of the input were lost while recording (the computer was too busy).");
}

void Editor::drawLostInputMarks(int32_t first, int32_t last)
{
    ViewSurface& view = window_.picView();
    const int32_t remembered = view.penColor();
    view.setPenColor(frm.RED);
    for (const int32_t frame : lostInputFrames_) {
        const int32_t x = frameToX(frame);
        if (x >= first && x <= last) view.line(x, 0, x, kMarkHeight);
    }
    view.setPenColor(remembered);
}
