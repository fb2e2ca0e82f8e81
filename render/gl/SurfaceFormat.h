#pragma once
// Every OpenGL panel uses a compatibility-profile context (immediate mode, display lists,
// GLU, selection-mode picking). Call once before the QApplication is created.
void InstallDefaultSurfaceFormat();
