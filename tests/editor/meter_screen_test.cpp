// SPDX-License-Identifier: GPL-3.0-or-later
// The level meter as the X server shows it: the program in a real window records a tone that
// steps through loud and quiet, starting cut off at full scale. The meter's pixels, read back
// from the server, must move while it records, light the left clip mark, empty when it stops
// with the mark still lit, and lose the mark when it is clicked.
#include <QImage>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "meter_on_screen.h"
#include "program_window.h"
#include "wav_image.h"

namespace {

using namespace program_window;

// frames of a 441 Hz tone whose channels peak at the given fractions of full scale; above 1 the
// wave is cut off at full scale, as an input driven too hard is.
std::vector<int16_t> toneValues(double leftPeak, double rightPeak, int frames)
{
    std::vector<int16_t> values;
    for (int frame = 0; frame < frames; ++frame) {
        const double wave = std::sin(2 * std::numbers::pi * frame / 100.0);
        for (double peak : {leftPeak, rightPeak})
            values.push_back(
                int16_t(std::clamp(std::lround(wave * peak * 32767.0), -32768L, 32767L)));
    }
    return values;
}

// A second that starts at full scale, cut off (left only), then falls in steps of about 20 dB.
std::vector<int16_t> steppedTone()
{
    std::vector<int16_t> values;
    for (double peak : {1.5, 0.1, 0.01, 0.001}) {
        const std::vector<int16_t> step = toneValues(peak, peak / 2, 44100 / 4);
        values.insert(values.end(), step.begin(), step.end());
    }
    return values;
}

class MeterScreen : public ProgramWindow {
protected:
    std::string mainWindow;

    MeterOnScreen meterShown()
    {
        const QImage shot = screenshot(mainWindow);
        return shot.isNull() ? MeterOnScreen{} : meterIn(shot);
    }

    // Reads the screen until it shows what the check wants, for at most ten seconds.
    template <typename Check>
    bool screenShows(Check check)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            if (check(meterShown())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }
};

TEST_F(MeterScreen, MovesWhileRecording_ClipMarkLightsStaysAfterStopAndAClickClearsIt)
{
    const fs::path tone = home / "stepped.wav";
    wav_image::writeFile(tone, wav_image::wave(wav_image::values(steppedTone())));
    auto quorvel = startProgram({{"BRENVIK_SIM_INPUT", tone.string()}});
    const auto found = acceptSettings();
    ASSERT_TRUE(found) << "no main window after the settings dialog";
    mainWindow = *found;
    ASSERT_TRUE(waitUntilGone("^Please wait"));

    const MeterOnScreen idle = meterShown();
    EXPECT_EQ(idle.litBarPixels, 0);
    EXPECT_TRUE(idle.clipMark.isEmpty());

    // The screen is read until it has shown three pictures of the bars and the clip mark: as
    // long as that takes the program, however busy the machine, up to half a minute.
    ASSERT_TRUE(keysTo(mainWindow, "F6"));
    std::set<MeterOnScreen> pictures;
    QRect clipMark;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((pictures.size() < 3 || clipMark.isEmpty()) &&
           std::chrono::steady_clock::now() < deadline) {
        const MeterOnScreen meter = meterShown();
        if (meter.litBarPixels > 0) pictures.insert(meter);
        clipMark |= meter.clipMark;
    }
    EXPECT_GE(pictures.size(), 3u) << "the meter's bars did not move while recording";
    EXPECT_EQ(clipMark.size(), QSize(11, 8)) << "one clip mark lit: the left one";
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    EXPECT_TRUE(screenShows([&](const MeterOnScreen& meter) {
        return meter.litBarPixels == 0 && meter.clipMark == clipMark;
    })) << "after Stop the bars are empty and the clip mark stays lit";
    // The bars empty before the ring is turned under the busy window, which locks the menus.
    ASSERT_TRUE(waitUntilGone("^Please wait"));

    const QPoint centre = clipMark.center();
    ASSERT_TRUE(x11("xdotool mousemove --window " + mainWindow + " " + std::to_string(centre.x()) +
                    " " + std::to_string(centre.y()) + " click 1"));
    EXPECT_TRUE(screenShows([](const MeterOnScreen& meter) { return meter.clipMark.isEmpty(); }))
        << "a click on the clip mark did not clear it";

    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0);
}

}  // namespace
