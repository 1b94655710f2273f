#include "editor.h"

void Editor::fileOpen() {}

void Editor::fileSaveAs() {}
