#include "editor.h"

void Editor::helpAbout() {}
