#include "render/TextDecoding.h"

namespace {
// Length of the UTF-8 sequence starting at bytes[i] and its code point; 0 when invalid
// (bad lead byte, missing or bad continuation, overlong form, surrogate, beyond U+10FFFF).
std::size_t Utf8Sequence(std::string_view bytes, std::size_t i, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        code = (code << 6) | (c & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}
}  // namespace

bool IsValidUtf8Text(std::string_view bytes)
{
    char32_t code;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8Sequence(bytes, i, code);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::u32string DecodeTextBytes(std::string_view bytes)
{
    std::u32string result;
    result.reserve(bytes.size());
    if (!IsValidUtf8Text(bytes)) {
        for (char c : bytes) result.push_back(static_cast<unsigned char>(c));
        return result;
    }
    char32_t code;
    for (std::size_t i = 0; i < bytes.size();) {
        i += Utf8Sequence(bytes, i, code);
        result.push_back(code);
    }
    return result;
}

std::string FirstCharacters(const std::string& text, int count)
{
    if (count <= 0) return {};
    // Text that is not valid UTF-8 is drawn as Latin-1: one character per byte.
    if (!IsValidUtf8Text(text)) return text.substr(0, std::size_t(count));
    std::size_t i = 0;
    char32_t code;
    for (int characters = 0; i < text.size() && characters < count; ++characters) i += Utf8Sequence(text, i, code);
    return text.substr(0, i);
}

std::string CutToPixels(const std::string& text, float pixels, float pixelsPerCharacter)
{
    if (!(pixels > 0.0f) || !(pixelsPerCharacter > 0.0f)) return {};
    const float characters = pixels / pixelsPerCharacter;
    return FirstCharacters(text, characters >= float(text.size()) ? int(text.size()) : int(characters));
}
