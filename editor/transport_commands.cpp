#include "editor.h"

void Editor::controlPlay() {}

void Editor::controlRecord() {}

void Editor::controlStop() {}

void Editor::followTransport() {}
