// SPDX-License-Identifier: GPL-3.0-or-later
// The view group: the track view's scroll bars, wheel, size and tool tip, and the mapping of its
// columns to frames and the drawing the other groups ask of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "editor_context.h"

class TrackView : CommandGroup {
public:
    explicit TrackView(EditorContext& context)
        : CommandGroup(context)
    {}

    // The commands of the view.
    void scrolled();     // hscView Change and Scroll
    void zoomChanged();  // hscZoom Change and Scroll
    // The wheel over the view at column x, in whole notches, forward positive: scrolls the
    // zoomed view, or with zoomStep zooms in (forward) or out, twice or half a notch, keeping
    // the frame under the pointer where it is.
    void wheel(int32_t notches, bool zoomStep, float x = 0.0f);
    // The window is shown: the pens are chosen, and the sample scale and the zoom are taken
    // from the view and its bar.
    void startUp();
    // The engine was opened with a new track: the columns' scale and the view's first frame
    // follow its length.
    void trackOpened();
    // The view has a new size: the scales follow it and it is drawn again.
    void resized();
    // The view's tool tip for the pointer at x: times under it and of the selection; empty
    // while the view has no track.
    std::string toolTip(float x) const;

    // Mapping.
    int32_t xToFrame(int32_t x) const;
    int32_t frameToX(int32_t frame) const;
    void updateViewStart();
    bool hasTrack() const;     // the engine is open and the scales are valid
    int32_t endFrame() const;  // the last selectable frame the view shows

    // Tick frames of the current view, first to last (the frames drawTrack marks on top).
    struct TickRange {
        int32_t first = 0;
        int32_t last = 0;
        int32_t spacing = 0;
    };
    TickRange tickRange() const;

    // Drawing.
    void drawTrack();
    void drawSelection();
    // Columns first to last drawn again from the summary, as a full redraw draws them.
    void redrawColumns(int32_t first, int32_t last);
    // The transport's position marker at column x; 0 or a column off the view takes it away.
    void moveMarker(int32_t x);
    // Frames from up to, not including, to were changed in the engine's track (an edit, a load):
    // the view's summary of the track reads them again before it draws them, and Select Song's
    // features of a recording no longer hold.
    void trackChanged(int32_t from, int32_t to);
    // The same for frames a recording wrote, or its turn moved: the features follow it.
    void recordedChanged(int32_t from, int32_t to);

private:
    void drawBars(int32_t first, int32_t last);
    void drawTicks(int32_t first, int32_t last);
    void drawLostInputMarks(int32_t first, int32_t last);  // in the columns first to last
    void drawTitleMarks(int32_t first, int32_t last);      // the same for the announced titles
    // The announced title nearest column x, within a few columns of it.
    const TitleMark* titleMarkAt(int32_t x) const;
    // The scales from the view's height (sample units a pixel) and width (frames a column).
    void takeSampleScale();
    void takeColumnScale();
    ViewScales& ownScales() { return context_.scales.change(); }

    // The column of the transport's position marker, 0 while none is drawn. A full redraw
    // (a fade nested in the follow loop) wipes the marker, so it resets this too.
    int32_t markerColumn_ = 0;
    // The view's first frame as the wheel's last zoom chose it, with the bar values it set for
    // it. A unit of the view bar spans up to a few columns at high zoom, so while the bars and
    // the track still show these values the view starts at this exact frame.
    struct WheelViewStart {
        int32_t zoom = 0;
        int32_t position = 0;
        int32_t trackLength = 0;
        int32_t frame = 0;
    };
    std::optional<WheelViewStart> wheelViewStart_;
};
