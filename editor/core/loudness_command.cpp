// SPDX-License-Identifier: GPL-3.0-or-later
// FX Normalize Loudness: measures the selection, lets the user pick a target loudness and scales
// the selection to it as an edit that can be undone like the fades.
#include <atomic>
#include <cmath>
#include <optional>
#include <string>

#include "background_work.h"
#include "edit_commands.h"
#include "loudness.h"
#include "messages.h"

namespace {

// The loudness gate needs one whole 400 ms block.
constexpr int32_t kShortestMeasurable = 17640;
constexpr int kDefaultTarget = -14;
const char* const kTargetSection = "Defaults";
const char* const kTargetKey = "LoudnessTarget";

int savedTarget(WindowPort& window)
{
    const std::string saved =
        window.readSetting(kTargetSection, kTargetKey, std::to_string(kDefaultTarget));
    for (int target : kLoudnessTargets)
        if (saved == std::to_string(target)) return target;
    return kDefaultTarget;
}

}  // namespace

void EditCommands::normalizeLoudness()
{
    const RunningCommand running(context_, Command::FxNormalizeLoudness);
    // The range measured is the range scaled, whatever the mouse does while the windows show.
    const int32_t from = selected.clipbegin;
    const int32_t to = selected.clipend;
    // The audio would change under the measurement, and the controls the transport locked must
    // stay locked.
    if (engine_.IsPlaying() != 0) {
        window_.messageBox(messages::kStopTrackFirst);
        return;
    }
    if (to - from < kShortestMeasurable) {
        window_.messageBox(messages::kLoudnessSelectionTooShort);
        return;
    }
    const std::optional<LoudnessReading> reading = measureOnWorker(from, to);
    if (context_.closePending) return;
    if (!reading) {
        window_.messageBox(messages::kLoudnessTrackUnreadable);
        return;
    }
    if (!std::isfinite(reading->integratedLufs)) {
        window_.messageBox(messages::kLoudnessTooQuiet);
        return;
    }
    const std::optional<int> target = window_.chooseLoudnessTarget(*reading, savedTarget(window_));
    if (!target) return;
    window_.writeSetting(kTargetSection, kTargetKey, std::to_string(*target));
    const std::optional<LoudnessGain> gain = loudnessGain(*reading, *target);
    if (!gain) return;
    window_.busyShow(messages::kApplyingEffects);
    applyEdit({EditKind::NormalizeLoudness, from, to, gain->decibels}, false);
    view_.drawTrack();
    window_.busyHide();
}

std::optional<LoudnessReading> EditCommands::measureOnWorker(int32_t from, int32_t to)
{
    window_.busyShow(messages::kMeasuringLoudness, BusyBar::Shown);
    std::atomic<int32_t> percent{0};
    BackgroundWork<std::optional<LoudnessReading>> measuring(
        [this, from, to, &percent] { return measureLoudness(engine_, from, to, &percent); });
    while (!measuring.done()) {
        window_.waitForEvents(kProgressPassMilliseconds);
        window_.busySetProgress(percent.load());
    }
    const std::optional<LoudnessReading> reading = measuring.result();
    window_.busyHide();
    return reading;
}
