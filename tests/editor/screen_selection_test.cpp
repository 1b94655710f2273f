// The selection as the X server shows it: the program in a real window, a silent track, and the
// view's pixels read back from the server after every way of changing the selection. The view
// must show the selection that the commands use, in the selection colour XOR'd over the picture.
#include <QImage>

#include <cstdint>
#include <functional>

#include "program_window.h"
#include "stereo_wav.h"

namespace {

using namespace program_window;

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kSelected = qRgb(16, 96, 64);
const QRgb kMarkerOverBlack = qRgb(255, 0, 0);
const QRgb kMarkerOverSelected = qRgb(255 ^ 16, 96, 64);

// Rows of the view that a silent track leaves black: below the ticks, off the centre lines.
const int kQuietRows[] = {16, 64, 112};

// What one column of the view should show on the quiet rows.
struct Expected {
    int first = 0;  // the selected columns, both included
    int last = -1;
    bool markerAllowed = false;  // the transport runs: one column may carry the marker
};

class ScreenSelection : public ProgramWindow {
protected:
    std::string mainWindow;
    QRect view;  // in the main window's coordinates
    std::string lastMismatch;

    QImage screenshot()
    {
        const fs::path file = home / "shot.png";
        if (!x11("import -window " + mainWindow + " " + file.string())) return {};
        return QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
    }

    // The view is where the whole track's selection shows after start-up: the selection
    // rectangle covers every column and row.
    static QRect selectionBounds(const QImage& shot)
    {
        QRect bounds;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) == kSelected) bounds |= QRect(x, y, 1, 1);
        return bounds;
    }

    // Whether the view shows what is expected; if not, lastMismatch says where it does not.
    bool shows(const QImage& shot, const Expected& expected)
    {
        if (shot.isNull()) {
            lastMismatch = "no screenshot";
            return false;
        }
        int markerColumns = 0;
        for (int x = 0; x < view.width(); ++x) {
            const bool selected = x >= expected.first && x <= expected.last;
            const QRgb wanted = selected ? kSelected : kBlack;
            const QRgb marker = selected ? kMarkerOverSelected : kMarkerOverBlack;
            bool isMarker = true;
            for (int row : kQuietRows) {
                const QRgb seen = shot.pixel(view.left() + x, view.top() + row);
                if (seen == wanted) {
                    isMarker = false;
                    continue;
                }
                if (seen == marker && expected.markerAllowed) continue;
                lastMismatch = "column " + std::to_string(x) + " row " + std::to_string(row) + " shows " +
                               QColor(seen).name().toStdString() + ", not " + QColor(wanted).name().toStdString();
                return false;
            }
            markerColumns += isMarker;
        }
        if (markerColumns > 1) {
            lastMismatch = std::to_string(markerColumns) + " marker columns";
            return false;
        }
        return true;
    }

    // The program redraws when it gets to its events; the screen is read until it shows what
    // is expected, for at most ten seconds.
    bool screenShows(const Expected& expected)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            if (shows(screenshot(), expected)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    bool screenShowsTheMarker()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            const QImage shot = screenshot();
            for (int x = 1; x < view.width() && !shot.isNull(); ++x)
                if (shot.pixel(view.left() + x, view.top() + kQuietRows[0]) == kMarkerOverSelected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
        return false;
    }

    // Presses the first mouse button over column `from` of the view, moves to `to`, releases.
    bool drag(int from, int to)
    {
        const auto at = [this](int column) {
            return " mousemove --window " + mainWindow + " " + std::to_string(view.left() + column) + " " +
                   std::to_string(view.top() + 40);
        };
        return x11("xdotool" + at(from) + " mousedown 1" + at((from + to) / 2) + at(to) + " mouseup 1").has_value();
    }
};

TEST_F(ScreenSelection, TheViewOnScreenShowsEverySelectionTheCommandsMake)
{
    const fs::path silence = home / "silence.wav";
    writeStereoWav(silence, std::vector<int16_t>(2 * 44100, 0));  // looped by the card
    auto quorvel = startProgram({{"BRENVIK_SIM_INPUT", silence.string()}});
    const auto found = acceptSettings();
    ASSERT_TRUE(found) << "no main window after the settings dialog";
    mainWindow = *found;

    // Start-up ends with the whole track selected: that finds the view on the screen. Its last
    // row lies under the scroll bar below it.
    const QSize visibleView(649, 128);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (view.size() != visibleView && std::chrono::steady_clock::now() < deadline)
        view = selectionBounds(screenshot());
    ASSERT_EQ(view.size(), visibleView) << "the whole track's selection is not on the screen";
    const Expected wholeTrack{0, 648};

    // A recording of silence; the marker shows it runs, and once it is stopped and the busy
    // window is gone the view shows the whole track selected and nothing else.
    ASSERT_TRUE(keysTo(mainWindow, "F6"));
    ASSERT_TRUE(screenShowsTheMarker()) << "no marker while recording";
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    ASSERT_TRUE(screenShows(wholeTrack)) << "after the recording: " << lastMismatch;

    ASSERT_TRUE(drag(100, 300));
    EXPECT_TRUE(screenShows({100, 300})) << "after a drag: " << lastMismatch;

    ASSERT_TRUE(keysTo(mainWindow, "ctrl+a"));
    EXPECT_TRUE(screenShows(wholeTrack)) << "after Select All: " << lastMismatch;

    ASSERT_TRUE(drag(500, 500));
    EXPECT_TRUE(screenShows({500, 500})) << "after a single click: " << lastMismatch;

    // Record selects the whole ring on the screen too, so a drag while it records erases the
    // rectangle that is there.
    ASSERT_TRUE(keysTo(mainWindow, "F6"));
    EXPECT_TRUE(screenShows({0, 648, true})) << "after Record: " << lastMismatch;
    ASSERT_TRUE(drag(200, 400));
    EXPECT_TRUE(screenShows({200, 400, true})) << "after a drag while recording: " << lastMismatch;
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    EXPECT_TRUE(screenShows({200, 400})) << "after the second recording: " << lastMismatch;

    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0);
}

}  // namespace
