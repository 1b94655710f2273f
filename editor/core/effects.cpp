// Cut and the fades: they change the selected audio in place inside the engine's track, under
// the busy window, and redraw the view. The selection itself is left as it was.
#include "editor.h"
#include "editor_numbers.h"

#include <cmath>

namespace {

// A selection must be longer than these many frames, else the command quietly does nothing.
constexpr int32_t kShortestCut = 10;
constexpr int32_t kShortestFade = 1024;

enum class Ramp { In, Out };

bool longerThan(const ModPellam& mod, int32_t frames)
{
    return mod.clipend > checkedAdd(mod.clipbegin, frames);
}

// Shows text in the busy window while change runs, then redraws the view.
template <typename Change>
void changeTrack(WindowPort& window, Editor& editor, const char* text, Change change)
{
    window.busySetText(text);
    window.busyInit();
    change();
    editor.drawTrack();
    window.busyHide();
}

// Scales each 16-bit value from the left value of frame clipbegin up to and including the left
// value of frame clipend by a straight ramp: gain 0 to 1 for In, 1 to 0 for Out. The gain steps
// per value, not per frame, and the products round to the nearest integer, halves to even.
template <Ramp ramp>
void rampValues(const EngineApi& engine, FrmPellamVars& frm, const ModPellam& mod)
{
    const int32_t s = checkedMul(2, mod.clipbegin);
    const int32_t e = checkedMul(2, mod.clipend);
    const double rate = 1.0 / checkedSub(e, s);
    for (frm.lTrk = s; frm.lTrk <= e; ++frm.lTrk) {
        const int32_t v = engine.TrackRead(frm.lTrk);
        frm.lRet = v;
        const int32_t k = frm.lTrk - s;
        const double y = ramp == Ramp::In ? (k * rate) * v : (1.0 - rate * k) * v;
        // |gain| <= 1 keeps y within 16 bits, so no overflow check is needed; rint rounds halves
        // to even like the editor's other conversions and, unlike nearbyint, costs no call.
        const int32_t w = static_cast<int32_t>(std::rint(y));
        frm.lRet = w;
        engine.TrackWrite(frm.lTrk, w);
    }
}

}  // namespace

void Editor::editCut()
{
    const RunningCommand running(*this);
    if (!longerThan(mod, kShortestCut)) return;
    changeTrack(window_, *this, "Applying Edits ...",
                [this] { engine_.TrackClear(mod.clipbegin, mod.clipend); });
}

void Editor::fxFadeIn()
{
    const RunningCommand running(*this);
    if (!longerThan(mod, kShortestFade)) return;
    changeTrack(window_, *this, "Applying Effects ...",
                [this] { rampValues<Ramp::In>(engine_, frm, mod); });
}

void Editor::fxFadeOut()
{
    const RunningCommand running(*this);
    if (!longerThan(mod, kShortestFade)) return;
    changeTrack(window_, *this, "Applying Effects ...",
                [this] { rampValues<Ramp::Out>(engine_, frm, mod); });
}
