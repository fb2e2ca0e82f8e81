#pragma once
// Texts are bytes: valid UTF-8 is read as such, anything else as Latin-1 (one character
// per byte). The glyph font and the recording drawing read texts through this.
#include <string>
#include <string_view>

bool IsValidUtf8Text(std::string_view bytes);
std::u32string DecodeTextBytes(std::string_view bytes);
