#pragma once
// A PNG file of an RGBA picture (8 bits per channel, no filter, stored deflate blocks):
// simple and exact, for pictures embedded in SVG files. No Qt.
#include <string>

#include "render/RgbaImage.h"

// The bytes of a PNG file showing `image` top row first (its row 0 is the bottom one).
std::string EncodePng(const TRgbaImage& image);
// Base64 of `bytes` (RFC 4648, with padding).
std::string Base64(const std::string& bytes);
