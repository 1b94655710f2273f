// SPDX-License-Identifier: GPL-3.0-or-later
// Times the track view over the largest track (256 MB, 67,108,864 frames) drawn into the real
// view widget on the offscreen platform: a full redraw at each zoom from the track's summary of
// extremes, beside the point-sampled draw that reads one value per column and channel; and Stop
// to a drawn view (the ring's turn, the summary read again, the redraw) beside the turn alone,
// with the track in its take file and again in memory only.
// Targets: a redraw at most 5 ms at any zoom, Stop to a drawn view at most 0.5 s.
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_editor.h"
#include "editor_numbers.h"
#include "view_widget.h"

namespace {

constexpr int32_t kLargestTrack = 256 * 262144;

double bestMilliseconds(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) best = std::min(best, bench::seconds(work) * 1000.0);
    return best;
}

// A tone whose loudness swells and falls, so that every column has a different bar.
void fillTrack(const EngineApi& engine, int32_t frames)
{
    constexpr int32_t kChunk = 65536;
    std::vector<int16_t> values(2 * size_t(kChunk));
    for (int32_t from = 0; from < frames; from += kChunk) {
        const int32_t to = std::min(frames, from + kChunk);
        for (int32_t frame = from; frame < to; ++frame) {
            const double swell = 0.5 + 0.5 * std::sin(frame / 3e6);
            const auto value = int16_t(30000 * swell * std::sin(frame * 0.142));
            values[2 * size_t(frame - from)] = value;
            values[2 * size_t(frame - from) + 1] = int16_t(-value / 2);
        }
        engine.TrackWriteFrames(from, to, values.data());
    }
}

// The draw of one value per column and channel, as the view was drawn before it had a summary.
void pointSampledDraw(Editor& editor, const EngineApi& engine, ViewSurface& view)
{
    view.clear();
    view.setPenMode(PenMode::Copy);
    view.setPenColor(editor.state().frm.RED);
    const int32_t c1 = toLong(view.pixelHeight()) / 4;
    const int32_t c2 = toLong(view.pixelHeight() - c1);
    const double framesPerColumn =
        double(editor.state().scales->tscale) / editor.state().scales->zoom;
    for (int32_t x = 1; x <= toLong(view.pixelWidth() - 1); ++x) {
        const int32_t f = toLong(framesPerColumn * x) + editor.state().scales->trkbegin;
        const int32_t yL = toLong(double(editor.state().scales->hscale) * engine.TrackRead(2 * f));
        view.line(x, c1 + yL, x, c1 - yL);
        const int32_t yR =
            toLong(double(editor.state().scales->hscale) * engine.TrackRead(2 * f + 1));
        view.line(x, c2 + yR, x, c2 - yR);
    }
    view.setPenMode(PenMode::Xor);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The take file goes into a folder of the bench's own, removed at the end.
    const std::filesystem::path state =
        std::filesystem::temp_directory_path() / ("quorvel-view-bench-" + std::to_string(getpid()));
    qputenv("XDG_STATE_HOME", state.c_str());
    QApplication app(argc, argv);
    EngineApi engine = bindBenchEngine(argc, argv);
    ViewWidget view;
    view.resize(649, 129);
    FakeWindow window;
    window.view = &view;
    window.settings["Defaults/Memory"] = std::to_string(kLargestTrack);
    Editor editor(engine, window);
    editor.startup();
    if (!editor.state().frm.bInitLib) {
        std::fprintf(stderr, "the engine did not open a track of %d frames\n", kLargestTrack);
        return 1;
    }
    fillTrack(engine, kLargestTrack);
    editor.view().trackChanged(0, kLargestTrack);
    const double firstDraw = bench::seconds([&] { editor.view().drawTrack(); }) * 1000.0;

    std::printf("redraw of a 256 MB track, %dx%d view, best of 20:\n", int(view.width()),
                int(view.height()));
    double slowest = 0;
    for (int32_t zoom = 1; zoom <= 256; zoom *= 4) {
        window.hscZoom = zoom;
        window.hscView = 12345;
        editor.view().updateViewStart();
        const double summary = bestMilliseconds(20, [&] { editor.view().drawTrack(); });
        const double pointSampled =
            bestMilliseconds(20, [&] { pointSampledDraw(editor, engine, view); });
        slowest = std::max(slowest, summary);
        std::printf(
            "  zoom %3d: extremes from the summary %.3f ms, point-sampled %.3f ms (ratio %.2f)\n",
            zoom, summary, pointSampled, summary / pointSampled);
    }
    std::printf(
        "slowest redraw %.3f ms (target 5 ms: %s); first draw, summing up the whole track: %.1f "
        "ms\n",
        slowest, slowest <= 5 ? "met" : "MISSED", firstDraw);

    // Stop after a short recording on the simulated card: the engine turns the whole ring, in
    // the take file first, then in memory only.
    window.hscZoom = 1;
    editor.view().updateViewStart();
    const auto stopAfterRecording = [&](bool draw) {
        engine.RecordWav();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return bench::seconds([&] {
                   engine.StopWav();
                   if (!draw) return;
                   editor.view().trackChanged(0, kLargestTrack);
                   editor.view().drawTrack();
               }) *
               1000.0;
    };
    struct StopFigures {
        double turnAlone;
        double toDrawnView;
    };
    const auto measureStop = [&] {
        const double turnAlone = std::min(stopAfterRecording(false), stopAfterRecording(false));
        return StopFigures{turnAlone, std::min(stopAfterRecording(true), stopAfterRecording(true))};
    };
    const bool inFile = engine.GetTrackStore() == BRENVIK_STORE_FILE;
    const StopFigures file = measureStop();
    engine.KeepTrackInMemory(1);
    editor.files().closeDevices();
    editor.files().openDevices();
    fillTrack(engine, kLargestTrack);
    const StopFigures memory = measureStop();
    for (const auto& [name, figures] :
         {std::pair{inFile ? "take file" : "memory (no take file)", file},
          std::pair{"memory only", memory}}) {
        std::printf(
            "Stop to a drawn view, track in %s: %.1f ms (target 500 ms: %s); the ring's turn "
            "alone %.1f ms, the summary and the redraw %.1f ms\n",
            name, figures.toDrawnView, figures.toDrawnView <= 500 ? "met" : "MISSED",
            figures.turnAlone, figures.toDrawnView - figures.turnAlone);
    }
    std::printf("take file / memory: Stop to a drawn view %.2f, the turn alone %.2f\n",
                file.toDrawnView / memory.toDrawnView, file.turnAlone / memory.turnAlone);
    editor.files().closeDevices();
    std::error_code ignored;
    std::filesystem::remove_all(state, ignored);
    return 0;
}
