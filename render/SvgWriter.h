#pragma once
// A picture of what a view drew, as SVG: the recording drawing of one paint turned into
// paths, polygons, circles and texts, with their colours, widths and stipples, so that it
// opens in a browser or an editor and matches the picture on screen.
#include <cstdio>
#include <string>

#include "render/RecordingDrawing.h"

// Writes `recording` as an SVG document of `width` × `height` pixels. Coordinates go
// through the last orthographic projection the paint set (its Ortho call) onto the
// picture, y downwards; the background is the last clear colour. False when the paint set
// no orthographic projection (a perspective view has no flat picture to write) or the
// stream fails.
bool WriteSvg(const TRecordingDrawing& recording, int width, int height, std::FILE* out);
// Whether the paint set an orthographic projection WriteSvg can follow.
bool HasFlatProjection(const TRecordingDrawing& recording);
// The same into a text (for tests and small pictures).
std::string SvgText(const TRecordingDrawing& recording, int width, int height);
