#pragma once
// The navigation cursors of the main window: 32 × 32 monochrome bitmaps drawn in code,
// hot spot at the top-left corner.
#include <QCursor>

enum class TNavigationCursor { Pan, ZoomIn, ZoomOut, InstantZoom };

QCursor NavigationCursor(TNavigationCursor cursor);
