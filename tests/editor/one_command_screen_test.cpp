// SPDX-License-Identifier: GPL-3.0-or-later
// One command at a time, in a real window: keys pressed while a command runs under the busy
// window are dropped, so the track shows only what that first command did. Then a playback
// that ends by itself leaves nothing running, and File > Exit closes the program.
#include <QImage>

#include <chrono>
#include <fstream>
#include <functional>

#include "meter_on_screen.h"
#include "program_window.h"
#include "view_on_screen.h"

namespace {

using namespace program_window;

// Start-up selects the whole track, which then covers the view (649 x 128 visible pixels).
constexpr int kWholeViewSelected = 60000;

// How many pixels of colour a picture shows, in area or all over.
int pixelsOf(const QImage& shot, QRgb colour, QRect area = {})
{
    if (area.isNull()) area = shot.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom() && y < shot.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < shot.width(); ++x)
            count += shot.pixel(x, y) == colour;
    return count;
}
bool meterLit(const QImage& shot)
{
    return meterIn(shot).litBarPixels > 0;
}

class OneCommandScreen : public ProgramWindow {
protected:
    std::unique_ptr<ChildProcess> quorvel;
    std::string mainWindow;

    QImage shot() { return screenshot(mainWindow); }

    // Reads the screen until it satisfies done, for at most twenty seconds.
    bool screenUntil(const std::function<bool(const QImage&)>& done)
    {
        return !readUntil([this] { return shot(); }, done, std::chrono::seconds(20)).isNull();
    }

    // Presses keys, then at once drags the mouse over the view from column `from` to `to`.
    bool keysThenDrag(const std::string& keys, const QRect& view, int from, int to)
    {
        const auto at = [&](int column) {
            return " mousemove --window " + mainWindow + " " +
                   std::to_string(view.left() + column) + " " + std::to_string(view.top() + 40);
        };
        return x11(focused(mainWindow) + " && xdotool key --delay 20 " + keys + at(from) +
                   " mousedown 1" + at(to) + " mouseup 1")
            .has_value();
    }

    // The track's picture once a command has redrawn it and the busy window is gone, read until
    // two screenshots agree.
    int settledWaveform()
    {
        EXPECT_TRUE(waitUntilGone("^Please wait"));
        int before = -1;
        int now = pixelsOf(shot(), kBarSelected);
        while (now != before) {
            before = now;
            now = pixelsOf(shot(), kBarSelected);
        }
        return now;
    }
};

TEST_F(OneCommandScreen, InputDuringABusyCommandIsDropped_ThenAPlaybackEndsAndExitCloses)
{
    // One megabyte of track, about 6 s, recorded and played at four times real time.
    fs::create_directories(home / "config" / "Quorvel");
    std::ofstream(home / "config" / "Quorvel" / "Quorvel.conf") << "[Defaults]\nMemory=262144\n";
    quorvel = startProgram({{"BRENVIK_SIM_SPEED", "4"}});
    const auto found = acceptSettings();
    ASSERT_TRUE(found) << "no main window after the settings dialog";
    mainWindow = *found;
    // Keys pressed before start-up is done would be dropped: it is done once the whole track
    // shows selected.
    ASSERT_TRUE(
        screenUntil([](const QImage& s) { return pixelsOf(s, kSelected) > kWholeViewSelected; }));
    ASSERT_TRUE(waitUntilGone("^Please wait"));
    const QRect view = selectionBounds(shot());

    // The simulated card records its frame count: a loud saw on the left, with no pause in it.
    ASSERT_TRUE(keysTo(mainWindow, "F6"));
    ASSERT_TRUE(screenUntil(meterLit)) << "the recording does not show on the meter";
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    // The card's slow saw is drawn as thin lines (a quarter of the view's columns or so).
    ASSERT_TRUE(screenUntil([](const QImage& s) { return pixelsOf(s, kBarSelected) > 150; }))
        << "the recording is not drawn";
    const int recorded = settledWaveform();

    // Select Song finds no song and says so; what was pressed 50 ms after it, under its busy
    // window, must not run: Cut would silence the whole track, File > New would ask for a size.
    for (const char* keys : {"ctrl+l ctrl+x", "ctrl+l alt+f n"}) {
        SCOPED_TRACE(keys);
        ASSERT_TRUE(keysTo(mainWindow, keys));
        const auto noSong = waitForWindow("^Quorvel$");
        ASSERT_TRUE(noSong) << "no message after Select Song";
        ASSERT_TRUE(keysTo(*noSong, "Return"));
        ASSERT_TRUE(waitUntilGone("^Quorvel$"));
        EXPECT_TRUE(waitUntilGone("^Project Settings$")) << "File > New ran";
        EXPECT_EQ(settledWaveform(), recorded) << "the track changed";
    }

    // A drag in the view while Fade In works under its busy window would move the selection
    // the fade is applied to: it is dropped, and the whole track stays selected, with no
    // waveform outside a selection (plain red).
    ASSERT_TRUE(keysThenDrag("alt+x i", view, 100, 150));
    settledWaveform();
    EXPECT_EQ(pixelsOf(shot(), kBar, view), 0) << "the selection moved";

    // The whole track plays (the meter moves) and ends by itself (the meter empties).
    ASSERT_TRUE(keysTo(mainWindow, "F5"));
    ASSERT_TRUE(screenUntil(meterLit)) << "the playback does not show on the meter";
    ASSERT_TRUE(screenUntil([](const QImage& s) { return !meterLit(s); }))
        << "the playback does not end";
    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0)
        << "File > Exit after the playback ended";
}

}  // namespace
