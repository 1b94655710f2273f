// SPDX-License-Identifier: GPL-3.0-or-later
// The selection as the X server shows it: the program in a real window, a silent track, and the
// view's pixels read back from the server after every way of changing the selection. The view
// must show the selection that the commands use, in the selection colour XOR'd over the picture.
// Then a whole take, from the recording to the saved file, read from the screen as well.
#include <QImage>

#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "meter_on_screen.h"
#include "view_on_screen.h"
#include "wav_image.h"

namespace {

using namespace program_window;

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kMarkerOverBlack = qRgb(255, 0, 0);
const QRgb kMarkerOverSelected = qRgb(255 ^ 16, 96, 64);

// Rows of the view that a silent track leaves black: below the ticks, off the centre lines.
const int kQuietRows[] = {16, 64, 112};

// A WAV file of 16-bit stereo frames at 44100 Hz, for the simulated card to loop as its capture
// source.
void writeWav(const fs::path& path, const std::vector<int16_t>& values)
{
    wav_image::writeFile(path, wav_image::wave(wav_image::values(values)));
}

// One second of silence.
void writeSilentWav(const fs::path& path)
{
    writeWav(path, std::vector<int16_t>(2 * 44100, 0));
}

// What one column of the view should show on the quiet rows.
struct Expected {
    int first = 0;  // the selected columns, both included
    int last = -1;
    bool markerAllowed = false;  // the transport runs: one column may carry the marker
};

class ScreenSelection : public ViewWindow {
protected:
    std::string lastMismatch;

    // Whether the view shows what is expected; if not, lastMismatch says where it does not.
    bool shows(const QImage& shot, const Expected& expected)
    {
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
                lastMismatch = "column " + std::to_string(x) + " row " + std::to_string(row) +
                               " shows " + QColor(seen).name().toStdString() + ", not " +
                               QColor(wanted).name().toStdString();
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
        lastMismatch = "no screenshot";
        return !readUntil([this] { return screenshot(); },
                          [&](const QImage& shot) { return shows(shot, expected); })
                    .isNull();
    }

    // The column of the transport's marker over the whole track's selection, read between the
    // channels, where no recorded sound draws; -1 when none shows.
    int markerColumn(const QImage& shot) const
    {
        for (int x = 1; x < view.width() && !shot.isNull(); ++x)
            if (shot.pixel(view.left() + x, view.top() + kQuietRows[1]) == kMarkerOverSelected)
                return x;
        return -1;
    }

    bool screenShowsTheMarker()
    {
        return !readUntil([this] { return screenshot(); },
                          [this](const QImage& shot) { return markerColumn(shot) > 0; })
                    .isNull();
    }

    // Records until the marker has gone once across the view, so the ring holds nothing but the
    // looped input, and the meter has shown `meterPictures` pictures: as long as that takes the
    // simulated card on this machine, up to a minute. The meter's pictures seen.
    std::set<MeterOnScreen> recordAroundTheRing(size_t meterPictures)
    {
        EXPECT_TRUE(keysTo(mainWindow, "F6"));
        std::set<MeterOnScreen> seen;
        int markerTravel = 0;
        int lastMarker = 0;
        const auto recordUntil = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while ((markerTravel < view.width() || seen.size() < meterPictures) &&
               std::chrono::steady_clock::now() < recordUntil) {
            const QImage shot = screenshot();
            const MeterOnScreen meter = meterIn(shot);
            if (meter.litBarPixels > 0) seen.insert(meter);
            const int marker = markerColumn(shot);
            if (marker < 0) continue;
            // The marker wraps from the right edge to the left one as the ring does.
            markerTravel +=
                marker >= lastMarker ? marker - lastMarker : view.width() - lastMarker + marker;
            lastMarker = marker;
        }
        EXPECT_GE(markerTravel, view.width()) << "the recording did not go round the ring";
        return seen;
    }

    // Stop, and the whole recording shows selected.
    void stopAndSeeTheRecording();

    // Presses the first mouse button over column `from` of the view, moves to `to`, releases.
    bool drag(int from, int to)
    {
        const auto at = [this](int column) {
            return " mousemove --window " + mainWindow + " " +
                   std::to_string(view.left() + column) + " " + std::to_string(view.top() + 40);
        };
        return x11("xdotool" + at(from) + " mousedown 1" + at((from + to) / 2) + at(to) +
                   " mouseup 1")
            .has_value();
    }
};

TEST_F(ScreenSelection, TheViewOnScreenShowsEverySelectionTheCommandsMake)
{
    const fs::path silence = home / "silence.wav";
    writeSilentWav(silence);
    ASSERT_NO_FATAL_FAILURE(startAndFindTheView({{"BRENVIK_SIM_INPUT", silence.string()}}));
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

// Two songs of 10 s and 9 s at different levels, each followed by a pause of 1.5 s. Each song
// is a square wave at one level, so that every column of it shows the same bar.
constexpr int32_t kSongFrames[] = {10 * 44100, 9 * 44100};
constexpr int32_t kPauseFrames = 66150;

std::vector<int16_t> songsAndPauses()
{
    std::vector<int16_t> values;
    const auto append = [&values](int32_t frames, int16_t level) {
        for (int32_t n = 0; n < frames; ++n) {
            const auto value = int16_t((n / 50) % 2 ? level : -level);
            values.insert(values.end(), {value, value});
        }
    };
    append(kSongFrames[0], 16000);
    append(kPauseFrames, 0);
    append(kSongFrames[1], 9000);
    append(kPauseFrames, 0);
    return values;
}

constexpr int kBarRow = 38;     // inside the left channel's bars
constexpr int kMiddleRow = 64;  // between the channels: only the selection shows there
const QRgb kProgressFill = qRgb(53, 154, 218);

bool sounds(const QImage& view, int column)
{
    return isBar(view.pixel(column, kBarRow));
}

// The selected columns of the view, first and last; {0, -1} when none.
std::pair<int, int> selectedColumns(const QImage& view)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < view.width(); ++x) {
        if (view.pixel(x, kMiddleRow) != kSelected) continue;
        if (first < 0) first = x;
        last = x;
    }
    return first < 0 ? std::pair{0, -1} : std::pair{first, last};
}

// How far the busy window's progress bar is filled: its widest row of the fill colour.
int progressFill(const QImage& busyWindow)
{
    int widest = 0;
    for (int y = 0; y < busyWindow.height(); ++y) {
        int filled = 0;
        for (int x = 0; x < busyWindow.width(); ++x)
            filled += busyWindow.pixel(x, y) == kProgressFill;
        widest = std::max(widest, filled);
    }
    return widest;
}

const std::pair kWholeTrack{0, 648};

void ScreenSelection::stopAndSeeTheRecording()
{
    ASSERT_TRUE(keysTo(mainWindow, "F7"));
    ASSERT_FALSE(viewWhen([&](const QImage& shown) {
                     int columns = 0;
                     for (int x = 0; x < shown.width(); ++x) columns += sounds(shown, x);
                     return selectedColumns(shown) == kWholeTrack && columns > 400;
                 }).isNull())
        << "the recording does not show";
}

// A whole take as a user makes it: record songs off the air, watching the meter move; Select
// Song; a Cut by mistake, undone and done again; and the track saved as MP3, long enough to
// take a while, with the busy window's bar advancing.
TEST_F(ScreenSelection, AWholeTake_MeterMovesSongSelectedCutUndoneRedoneSavedWithProgress)
{
    // A track of 24 MB, about 143 s, 9693.9 frames a column; a recording at 32 times real time
    // wraps it with the looped songs.
    constexpr int32_t kTrackFrames = 24 * 262144;
    constexpr double kFramesPerColumn = kTrackFrames / 649.0;
    fs::create_directories(home / "config" / "Quorvel");
    std::ofstream(home / "config" / "Quorvel" / "Quorvel.conf")
        << "[Defaults]\nMemory=" << kTrackFrames << "\n";
    const fs::path songs = home / "songs.wav";
    writeWav(songs, songsAndPauses());
    ASSERT_NO_FATAL_FAILURE(
        startAndFindTheView({{"BRENVIK_SIM_INPUT", songs.string()}, {"BRENVIK_SIM_SPEED", "32"}}));

    // The meter shows three pictures while recording.
    const std::set<MeterOnScreen> meterPictures = recordAroundTheRing(3);
    EXPECT_GE(meterPictures.size(), 3u) << "the meter did not move while recording";
    ASSERT_NO_FATAL_FAILURE(stopAndSeeTheRecording());
    ASSERT_TRUE(waitUntilGone("^Please wait"));
    EXPECT_EQ(meterIn(screenshot()).litBarPixels, 0) << "the meter is not empty after Stop";

    ASSERT_TRUE(keysTo(mainWindow, "ctrl+l"));
    const QImage song =
        viewWhen([&](const QImage& shown) { return selectedColumns(shown) != kWholeTrack; });
    ASSERT_FALSE(song.isNull()) << "Select Song changed nothing on the screen";
    const auto [first, last] = selectedColumns(song);
    // One of the songs, with 50 ms of its pauses either side.
    const double margin = 2205 / kFramesPerColumn;
    const double columns = last - first + 1;
    EXPECT_TRUE(std::abs(columns - (kSongFrames[0] + 2 * 2205) / kFramesPerColumn) <= 2 ||
                std::abs(columns - (kSongFrames[1] + 2 * 2205) / kFramesPerColumn) <= 2)
        << columns << " columns";
    // A column shows a bar when any of its frames sounds: the one before the selection's may
    // hold the song's first frames, since the rectangle's edge is rounded to the nearer column.
    for (int x = first - 3; x <= std::max(first - 2, first + int(margin) - 3); ++x)
        EXPECT_FALSE(sounds(song, x)) << "column " << x << " is not in the pause before the song";
    for (int x = std::min(last + 1, last - int(margin) + 2); x <= last + 2; ++x)
        EXPECT_FALSE(sounds(song, x)) << "column " << x << " is not in the pause after the song";
    const int inside = int(std::ceil(margin)) + 1;
    for (int x = first + inside; x <= last - inside; ++x)
        EXPECT_TRUE(sounds(song, x)) << "column " << x << " is silent";
    // The last complete song: what sounds after it runs into the end of the track.
    int next = last + 1;
    while (next < song.width() && !sounds(song, next)) ++next;
    for (int x = next; x < song.width(); ++x)
        EXPECT_TRUE(sounds(song, x)) << "a later song ends at " << x;

    // Cut silences the song; Undo shows exactly what was there, selected again; Redo cuts again.
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+x"));
    const QImage cut = viewWhen([&, first = first, last = last](const QImage& shown) {
        for (int x = first; x <= last; ++x)
            if (shown.pixel(x, kBarRow) != kSelected) return false;
        return true;
    });
    ASSERT_FALSE(cut.isNull()) << "Cut left bars in the selection";
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+z"));
    EXPECT_FALSE(viewWhen([&](const QImage& shown) { return shown == song; }).isNull())
        << "after Undo";
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+y"));
    EXPECT_FALSE(viewWhen([&](const QImage& shown) { return shown == cut; }).isNull())
        << "after Redo";
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+z"));
    EXPECT_FALSE(viewWhen([&](const QImage& shown) { return shown == song; }).isNull())
        << "after Undo again";

    // Select Song again while that song is selected: the other song, the one before it.
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+l"));
    const QImage earlier = viewWhen([&, first = first, last = last](const QImage& shown) {
        return selectedColumns(shown) != std::pair{first, last} &&
               selectedColumns(shown).second >= 0;
    });
    ASSERT_FALSE(earlier.isNull()) << "Select Song again changed nothing on the screen";
    const auto [earlierFirst, earlierLast] = selectedColumns(earlier);
    EXPECT_NEAR(first - earlierLast, (kPauseFrames - 2 * 2205) / kFramesPerColumn, 2)
        << "not the song just before";
    EXPECT_NEAR(columns + earlierLast - earlierFirst + 1,
                (kSongFrames[0] + kSongFrames[1] + 4 * 2205) / kFramesPerColumn, 3)
        << "not the other song";

    // The whole track as MP3: the busy window's bar is read from the server while it is saved.
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+a"));
    ASSERT_TRUE(keysTo(mainWindow, "alt+f s"));
    const auto dialog = waitForWindow("^Save as$");
    ASSERT_TRUE(dialog);
    const fs::path mp3 = home / "take.mp3";
    ASSERT_TRUE(keysTo(*dialog, "ctrl+a"));
    ASSERT_TRUE(typeTo(*dialog, mp3.string()));
    ASSERT_TRUE(keysTo(*dialog, "Return"));
    const auto busy = waitForWindow("^Please wait");
    ASSERT_TRUE(busy);
    std::set<int> fills;
    const fs::path busyShot = home / "busy.png";
    const auto saveUntil = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < saveUntil &&
           x11("import -window " + *busy + " " + busyShot.string() + " 2>/dev/null"))
        fills.insert(progressFill(QImage(QString::fromStdString(busyShot.string()))
                                      .convertToFormat(QImage::Format_RGB32)));
    fills.erase(0);
    EXPECT_GE(fills.size(), 5u) << "the bar did not advance on the screen";
    const auto saved = waitForWindow("^Quorvel$");
    ASSERT_TRUE(saved) << "no message after the save";
    ASSERT_TRUE(keysTo(*saved, "Return"));
    // 192 kbit/s: 24000 bytes a second, the whole track less the two frames a recording's
    // selection leaves out.
    EXPECT_NEAR(double(fs::file_size(mp3)), (kTrackFrames - 2) / 44100.0 * 24000, 24000) << mp3;

    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0);
}

// A rock song from its first note to its last, a pause, a word from the presenter and a pause,
// looped by the simulated card into a ring of 128 MB: the ring holds at least three whole
// copies of the song. The song changes inside itself (its intro, its choruses, its breaks);
// Select Song at once after Stop takes the last whole copy, and again the one before it.
TEST_F(ScreenSelection, ARecordedRockSong_SelectedWholeAtOnceAfterStop_AndTheCopyBeforeIt)
{
    const fs::path songFolder = "/usr/share/games/fretsonfire/data/songs/sectoid/Metal madness";
    if (!fs::exists(songFolder / "song.ogg"))
        GTEST_SKIP() << "fretsonfire-songs-sectoid is not installed: no rock song to record";
    const fs::path song = home / "song.wav";
    const fs::path loop = home / "loop.wav";
    const std::string format = " -r 44100 -c 2 -b 16 ";
    // The band and its guitar mixed, without the silence before the first note and after the last.
    ASSERT_TRUE(shell("sox -m '" + (songFolder / "song.ogg").string() + "' '" +
                      (songFolder / "guitar.ogg").string() + "'" + format + song.string() +
                      " gain -n -3 silence 1 0.01 -50d reverse silence 1 0.01 -50d reverse"));
    ASSERT_TRUE(shell("espeak-ng -w " + (home / "talk.wav").string() +
                      " 'That was the band, live in the studio. More music after the news.'"));
    ASSERT_TRUE(shell("sox -n" + format + (home / "pause.wav").string() + " trim 0 1.5 && sox " +
                      (home / "talk.wav").string() + format + (home / "talk2.wav").string() +
                      " && sox " + song.string() + " " + (home / "pause.wav").string() + " " +
                      (home / "talk2.wav").string() + " " + (home / "pause.wav").string() + " " +
                      loop.string()));
    const auto frames = [](const fs::path& file) {
        return std::stod(shell("soxi -s " + file.string()).value_or("0"));
    };
    const double songFrames = frames(song);
    const double loopFrames = frames(loop);
    ASSERT_GT(songFrames, 120 * 44100.0);

    constexpr int32_t kTrackFrames = 128 * 262144;
    constexpr double kFramesPerColumn = kTrackFrames / 649.0;
    fs::create_directories(home / "config" / "Quorvel");
    std::ofstream(home / "config" / "Quorvel" / "Quorvel.conf")
        << "[Defaults]\nMemory=" << kTrackFrames << "\n";
    ASSERT_NO_FATAL_FAILURE(
        startAndFindTheView({{"BRENVIK_SIM_INPUT", loop.string()}, {"BRENVIK_SIM_SPEED", "48"}}));
    recordAroundTheRing(0);
    ASSERT_NO_FATAL_FAILURE(stopAndSeeTheRecording());
    ASSERT_TRUE(waitUntilGone("^Please wait"));

    ASSERT_TRUE(keysTo(mainWindow, "ctrl+l"));
    const QImage last =
        viewWhen([&](const QImage& shown) { return selectedColumns(shown) != kWholeTrack; });
    ASSERT_FALSE(last.isNull()) << "Select Song changed nothing on the screen";
    const auto [first, end] = selectedColumns(last);
    // Within a second at either end: two columns of 1.2 s in all.
    EXPECT_NEAR(end - first + 1, songFrames / kFramesPerColumn, 2) << "not the whole song";
    ASSERT_TRUE(keysTo(mainWindow, "ctrl+l"));
    const QImage before = viewWhen([&, first = first](const QImage& shown) {
        return selectedColumns(shown).first != first && selectedColumns(shown).second >= 0;
    });
    ASSERT_FALSE(before.isNull()) << "Select Song again changed nothing on the screen";
    const auto [beforeFirst, beforeEnd] = selectedColumns(before);
    EXPECT_NEAR(beforeEnd - beforeFirst + 1, songFrames / kFramesPerColumn, 2)
        << "not the whole song before";
    EXPECT_NEAR(first - beforeFirst, loopFrames / kFramesPerColumn, 2) << "not the copy before";

    EXPECT_EQ(exitThroughTheMenu(*quorvel, mainWindow), 0);
}

}  // namespace
