#pragma once
// Texts are bytes: valid UTF-8 is read as such, anything else as Latin-1 (one character
// per byte). The glyph font and the recording drawing read texts through this.
#include <string>
#include <string_view>

bool IsValidUtf8Text(std::string_view bytes);
std::u32string DecodeTextBytes(std::string_view bytes);

// The longest prefix of whole characters of `text` that fits in `pixels` at
// `pixelsPerCharacter` each. Valid UTF-8 is cut between characters, never inside one;
// other bytes count one character each. Empty when not even one character fits.
std::string CutToPixels(const std::string& text, float pixels, float pixelsPerCharacter = 8.0f);
// The first `count` characters of `text`, cut the same way.
std::string FirstCharacters(const std::string& text, int count);
