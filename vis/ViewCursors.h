#pragma once
// The cursors of the tree navigation and of the views that move a scene: 32 × 32
// monochrome bitmaps drawn in code, hot spot at the top-left corner. Pan is the hand
// ("PAN_256"), ZoomIn the magnifier with + ("ZOOM_IN_256"), Rotate the circling arrows
// ("ROTATECURSOR").
#include <QCursor>

enum class TViewCursor { Pan, ZoomIn, ZoomOut, InstantZoom, Rotate };

QCursor ViewCursor(TViewCursor cursor);
