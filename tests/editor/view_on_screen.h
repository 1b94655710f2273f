// SPDX-License-Identifier: GPL-3.0-or-later
// The track view as a screenshot of the main window shows it.
#pragma once

#include <QImage>
#include <QRect>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "program_window.h"

namespace program_window {

// The selection's colour over black, and the waveform's red outside and inside the selection.
inline const QRgb kSelected = qRgb(16, 96, 64);
inline const QRgb kBar = qRgb(255, 0, 0);
inline const QRgb kBarSelected = qRgb(255 ^ 16, 96, 64);

// Where the selection shows: after start-up, Open or a recording the whole track is selected,
// so these are the bounds of the view.
inline QRect selectionBounds(const QImage& shot)
{
    QRect bounds;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) == kSelected) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

inline bool isBar(QRgb pixel)
{
    return pixel == kBar || pixel == kBarSelected;
}

// Reads pictures until one satisfies done, for at most ten seconds unless told: the program draws
// when it gets to its events. The picture, or a null image if none did.
template <typename Read, typename Done>
QImage readUntil(Read read, Done done, std::chrono::seconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        const QImage picture = read();
        if (!picture.isNull() && done(picture)) return picture;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return {};
}

// The program in a real window, with its view found on the screen.
class ViewWindow : public ProgramWindow {
protected:
    std::unique_ptr<ChildProcess> quorvel;
    std::string mainWindow;
    QRect view;  // where the view shows, in the main window

    using ProgramWindow::screenshot;
    QImage screenshot() { return screenshot(mainWindow); }

    // Starts the program, accepts the settings and finds the view at its opening size. Its last
    // row lies under the scroll bar below it.
    void startAndFindTheView(const ChildProcess::Environment& environment)
    {
        quorvel = startProgram(environment);
        const auto found = acceptSettings();
        ASSERT_TRUE(found) << "no main window after the settings dialog";
        mainWindow = *found;
        ASSERT_TRUE(viewFound({649, 128})) << "the whole track's selection is not on the screen";
    }

    // Finds the view by the whole track's selection, once it has the size given: start-up, Open
    // and a recording select the whole track. Reads for at most twenty seconds.
    bool viewFound(QSize size)
    {
        readUntil([this] { return screenshot(); },
                  [&](const QImage& shot) { return (view = selectionBounds(shot)).size() == size; },
                  std::chrono::seconds(20));
        return view.size() == size;
    }

    // The view once it satisfies done, read for at most ten seconds; a null image if never.
    template <typename Done>
    QImage viewWhen(Done done)
    {
        return readUntil([this] { return screenshot().copy(view); }, done);
    }
};

}  // namespace program_window
