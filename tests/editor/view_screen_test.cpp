// SPDX-License-Identifier: GPL-3.0-or-later
// The track view as the X server shows it, in a real window: every peak of the audio drawn, a
// window that grows, the wheel zooming where the pointer is, and the waveform drawn while it is
// recorded.
#include <QImage>

#include <cmath>
#include <numbers>
#include <vector>

#include "view_on_screen.h"
#include "wav_image.h"

namespace {

using namespace program_window;

constexpr int32_t kTrackFrames = 1048576;  // the default track: 1615.68 frames a column
constexpr int32_t kBurstFrames = 2205;     // 50 ms
constexpr int32_t kBurstEvery = 44100;
constexpr int32_t kFirstBurst = 20000;

// A steady full-scale 997 Hz tone on both channels.
std::vector<int16_t> tone(int32_t frames)
{
    std::vector<int16_t> values;
    for (int32_t n = 0; n < frames; ++n) {
        const auto value =
            int16_t(std::lround(32767 * std::sin(2 * std::numbers::pi * 997 * n / 44100.0)));
        values.insert(values.end(), {value, value});
    }
    return values;
}

// Silence with a 50 ms burst of the tone on both channels every second.
std::vector<int16_t> bursts()
{
    std::vector<int16_t> values(2 * size_t(kTrackFrames), 0);
    const std::vector<int16_t> burst = tone(kBurstFrames);
    for (int32_t start = kFirstBurst; start + kBurstFrames <= kTrackFrames; start += kBurstEvery)
        std::copy(burst.begin(), burst.end(), values.begin() + 2 * start);
    return values;
}

class ViewScreen : public ViewWindow {
protected:
    ViewScreen() { screen = "1280x800x24"; }  // room for the window made larger

    bool openFile(const fs::path& file)
    {
        if (!keysTo(mainWindow, "ctrl+o")) return false;
        const auto dialog = waitForWindow("^Open$");
        return dialog && keysTo(*dialog, "ctrl+a") && typeTo(*dialog, file.string()) &&
               keysTo(*dialog, "Return") && waitUntilGone("^Open$") &&
               waitUntilGone("^Please wait");
    }

    // The columns whose bar reaches the row `above` rows above the channel's centre line.
    static std::vector<bool> sounding(const QImage& shown, int centre, int above)
    {
        std::vector<bool> columns;
        for (int x = 0; x < shown.width(); ++x)
            columns.push_back(isBar(shown.pixel(x, centre - above)));
        return columns;
    }

    // Whether column x of the channel centred on row centre shows sound: a bar off the centre
    // line. The few frames of a column at high zoom may all lie on one side of it.
    static bool sounds(const QImage& shown, int centre, int x)
    {
        for (int y = centre - 30; y <= centre + 30; ++y)
            if (std::abs(y - centre) > 2 && isBar(shown.pixel(x, y))) return true;
        return false;
    }

    // Clicks column x of the view, selecting the frame under it.
    void clickAt(int x)
    {
        ASSERT_TRUE(x11("xdotool mousemove --window " + mainWindow + " " +
                        std::to_string(view.left() + x) + " " + std::to_string(view.top() + 64) +
                        " click 1"));
    }

    // The first and last columns of the selection, over a bar or not.
    static std::pair<int, int> selectedColumns(const QImage& shown)
    {
        int first = -1, last = -1;
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, 64) != kSelected && shown.pixel(x, 64) != kBarSelected) continue;
            if (first < 0) first = x;
            last = x;
        }
        return {first, last};
    }
};

TEST_F(ViewScreen, PeaksDrawn_WindowGrows_WheelZoomsAtThePointer_RecordingDrawnLive)
{
    const fs::path steady = home / "tone.wav";
    const fs::path burstsFile = home / "bursts.wav";
    wav_image::writeFile(steady, wav_image::wave(wav_image::values(tone(kTrackFrames))));
    wav_image::writeFile(burstsFile, wav_image::wave(wav_image::values(bursts())));
    ASSERT_NO_FATAL_FAILURE(startAndFindTheView({{"BRENVIK_SIM_INPUT", steady.string()}}));
    const int leftCentre = 32;
    const int rightCentre = 97;

    // A steady full-scale tone fills its channel's half in every column, both ways.
    ASSERT_TRUE(openFile(steady));
    const QImage full = viewWhen([&](const QImage& shown) {
        for (int x = 1; x < 648; ++x)
            for (int y : {1, 16, 31, 33, 48, 64, 66, 80, 96, 98, 112, 127})
                if (!isBar(shown.pixel(x, y))) return false;
        return true;
    });
    EXPECT_FALSE(full.isNull()) << "the tone does not fill every column";

    // 50 ms bursts show on both channels, in the same columns, each of them.
    ASSERT_TRUE(openFile(burstsFile));
    const QImage shown = viewWhen([&](const QImage& picture) {
        return sounding(picture, leftCentre, 20) != sounding(full, leftCentre, 20);
    });
    ASSERT_FALSE(shown.isNull()) << "the bursts file did not replace the tone";
    const std::vector<bool> left = sounding(shown, leftCentre, 20);
    EXPECT_EQ(left, sounding(shown, rightCentre, 20))
        << "the channels show the bursts in different columns";
    int bursts = 0;
    for (size_t x = 1; x < left.size(); ++x) bursts += left[x] && !left[x - 1];
    EXPECT_EQ(bursts, (kTrackFrames - kFirstBurst - kBurstFrames) / kBurstEvery + 1);

    // Ctrl with the wheel zooms where the pointer is: the frame clicked under it stays within a
    // column of it, notch after notch, up to the greatest zoom. The pointer is inside the sixth
    // burst, which at zoom 256 (6.31 frames a column) sounds up to 56 columns right of it.
    constexpr int kPointer = 150;
    clickAt(kPointer);
    const auto oneColumnSelected = [](const QImage& picture) {
        const auto [first, last] = selectedColumns(picture);
        return first >= 0 && first == last;
    };
    QImage previous = viewWhen(oneColumnSelected);
    ASSERT_FALSE(previous.isNull()) << "the click did not select a frame";
    // Wheel buttons of the X server: 4 turns forward (zooms in), 5 back. Zooms 2, 4, 8, 4, 8 and
    // on to 256.
    for (const char* button : {"4", "4", "4", "5", "4", "4", "4", "4", "4", "4"}) {
        ASSERT_TRUE(x11(std::string("xdotool keydown ctrl click ") + button + " keyup ctrl"));
        const QImage zoomed = viewWhen([&](const QImage& picture) {
            return picture != previous && oneColumnSelected(picture);
        });
        ASSERT_FALSE(zoomed.isNull()) << "the view did not zoom";
        EXPECT_NEAR(selectedColumns(zoomed).first, kPointer, 1);
        previous = zoomed;
    }
    int burstEnd = kPointer;
    while (burstEnd < previous.width() && sounds(previous, leftCentre, burstEnd)) ++burstEnd;
    EXPECT_NEAR(burstEnd, kPointer + 56, 2)
        << "the burst does not end 353 frames (56 columns at zoom 256) after "
           "the pointer's frame";
    ASSERT_TRUE(x11("xdotool keydown ctrl click --repeat 8 5 keyup ctrl"));

    // Recording draws the tone over the bursts as it comes, before Stop.
    ASSERT_TRUE(keysTo(mainWindow, "F6"));
    const QImage live = viewWhen([&](const QImage& picture) {
        for (int x = 1; x <= 8; ++x)
            if (!isBar(picture.pixel(x, leftCentre - 30)) ||
                !isBar(picture.pixel(x, rightCentre + 30)))
                return false;
        return true;
    });
    EXPECT_FALSE(live.isNull()) << "the recorded tone does not show while recording";
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    ASSERT_TRUE(waitUntilGone("^Please wait"));

    // The window made larger: the view takes the room, in both directions. The ring was turned
    // at Stop, so the recording is the newest audio, at the end of the track.
    ASSERT_TRUE(x11("xdotool windowsize " + mainWindow + " 1200 500"));
    EXPECT_TRUE(viewFound({649 + 535, 128 + 304}))
        << "the view is " << view.width() << "x" << view.height();
    const QImage large = viewWhen([&](const QImage& picture) {
        return isBar(picture.pixel(picture.width() - 5, 108 - 100)) &&
               !isBar(picture.pixel(5, 108 - 100));
    });
    EXPECT_FALSE(large.isNull()) << "the recorded tone does not reach up the larger view";

    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0);
}

}  // namespace
