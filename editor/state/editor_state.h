// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's state: the module globals of modPellam and the variables of the main window
// frmPellam, under their own names and widths (Long int32_t, Integer int16_t, Single float), in
// parts by the command group that changes them.
#pragma once

#include <cstdint>
#include <string>

// Globals of modPellam, which the project settings dialog shows and changes.
struct ModPellam {
    int32_t trklen = 0;     // track length in frames; the length the engine is opened with
    std::string trktime;    // recording time "mm.ss" shown in lblLength
    bool bStartup = false;  // the start-up File New is running; the settings dialog hides Cancel
    bool bPropsCancel = false;  // the settings dialog was left with Cancel
};

// The selection of the main window.
struct Selection {
    int32_t clipbegin = 0;  // first frame of the selection
    int32_t clipend = 0;    // end of the selection, at most trklen - 2
    int16_t clipmode = 0;   // 1 while a mouse selection is dragged
};

// The track view's scales and first frame.
struct ViewScales {
    int32_t zoom = 0;      // copy of hscZoom's value
    float tscale = 0.0f;   // frames per view column at zoom 1
    float hscale = 0.0f;   // view pixels per sample unit
    int32_t trkbegin = 0;  // frame at the view's left edge
};

// Variables of the main window frmPellam.
struct FrmPellamVars {
    std::string FILESPEC;      // path shown in the caption
    bool WAVEPLAYING = false;  // run flag of the transport's follow loop
    int32_t GREEN = 0;         // colours as 0x00BBGGRR
    int32_t BLUE = 0;
    int32_t RED = 0;
    int32_t DARKGREEN = 0;
    bool bInitLib = false;  // the engine is open
    int32_t mlTempo = 0;    // tempo of the time ticks
};

// A colour as the view takes it: red in the low byte, then green, then blue.
constexpr int32_t rgb(int red, int green, int blue)
{
    return red | (green << 8) | (blue << 16);
}
