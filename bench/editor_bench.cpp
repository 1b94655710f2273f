// SPDX-License-Identifier: GPL-3.0-or-later
// Times the editor's start on the offscreen platform and one full redraw of the track view,
// each beside a baseline measured in the same run: the main window against a bare QMainWindow,
// DrawTrack against the TrackRead calls it makes. Prints the figures against the targets: the
// window up within 0.5 s, DrawTrack under 2 ms.
#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <locale>
#include <sstream>
#include <string>

#include <unistd.h>

#include "engine_binding.h"
#include "frm_pellam.h"
#include "plain_number.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double bestOf(int runs, const std::function<double()>& measure)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) best = std::min(best, measure());
    return best;
}

// Milliseconds since the kernel started this process (10 ms steps), so loading the program and
// its libraries counts too.
double millisecondsSinceProcessStart()
{
    std::ifstream uptimeFile("/proc/uptime");
    uptimeFile.imbue(std::locale::classic());
    double uptime = 0;
    uptimeFile >> uptime;
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
    }
    return (uptime - quorvel::plainNumber(field).value_or(0.0) / double(sysconf(_SC_CLK_TCK))) *
           1000.0;
}

void waitUntilExposed(QWidget& window)
{
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QApplication::processEvents();
}

// Presses OK in the project settings dialog as soon as it is up.
void acceptSettingsWhenShown()
{
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (auto* ok = dialog ? dialog->findChild<QPushButton*>("CmdOK") : nullptr)
            ok->click();
        else
            acceptSettingsWhenShown();
    });
}

}  // namespace

int main(int argc, char** argv)
{
    const auto launch = Clock::now();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("BRENVIK_AUDIO").isEmpty()) qputenv("BRENVIK_AUDIO", "sim");
    QApplication app(argc, argv);
    EngineApi engine;
    const std::string error = bindEngine("libbrenvik.so", engine);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    FrmPellam first(engine);
    waitUntilExposed(first);
    const double firstWindow = millisecondsSince(launch);
    const double sinceProcessStart = millisecondsSinceProcessStart();

    const double mainWindow = bestOf(5, [&] {
        const auto start = Clock::now();
        FrmPellam window(engine);
        waitUntilExposed(window);
        return millisecondsSince(start);
    });
    const double bareWindow = bestOf(5, [] {
        const auto start = Clock::now();
        QMainWindow window;
        window.resize(665, 200);
        waitUntilExposed(window);
        return millisecondsSince(start);
    });

    acceptSettingsWhenShown();
    const auto startupBegin = Clock::now();
    Editor& editor = first.editor();
    editor.startup();
    const double startup = millisecondsSince(startupBegin);

    const double drawTrack = bestOf(50, [&] {
        const auto start = Clock::now();
        editor.view().drawTrack();
        return millisecondsSince(start);
    });
    const double readsAlone = bestOf(50, [&] {
        const auto start = Clock::now();
        int32_t sum = 0;
        for (int32_t x = 1; x <= 648; ++x) {
            const int32_t f = int32_t(editor.state().scales->tscale * x);
            sum += engine.TrackRead(2 * f) + engine.TrackRead(2 * f + 1);
        }
        std::fprintf(stderr, "%s", sum == 1 ? " " : "");
        return millisecondsSince(start);
    });
    editor.files().closeDevices();

    std::printf(
        "launch to main window exposed: %.0f ms since the process started, %.1f ms of it in main "
        "(target 500 ms: %s)\n",
        sinceProcessStart, firstWindow, sinceProcessStart < 500 ? "met" : "MISSED");
    std::printf("main window built and exposed: %.2f ms, a bare QMainWindow %.2f ms (ratio %.1f)\n",
                mainWindow, bareWindow, mainWindow / bareWindow);
    std::printf("start-up with the settings accepted (busy window included): %.1f ms\n", startup);
    std::printf(
        "DrawTrack, default track: %.3f ms (target 2 ms: %s); its %d TrackRead calls alone %.3f ms "
        "(ratio %.1f)\n",
        drawTrack, drawTrack < 2 ? "met" : "MISSED", 2 * 648, readsAlone, drawTrack / readsAlone);
    return 0;
}
