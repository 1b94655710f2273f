#include "editor.h"

void Editor::editCut() {}

void Editor::fxFadeIn() {}

void Editor::fxFadeOut() {}
