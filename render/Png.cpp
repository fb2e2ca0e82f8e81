#include "render/Png.h"

#include <array>
#include <algorithm>
#include <cstdint>

namespace {
std::uint32_t Crc(const std::string& bytes, std::size_t from)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < bytes.size(); ++i) c = table[(c ^ std::uint8_t(bytes[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out += char((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data)
{
    Be32(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out += type;
    out += data;
    Be32(out, Crc(out, start));
}
} // namespace

std::string EncodePng(const TRgbaImage& image)
{
    const int w = image.Empty() ? 0 : image.Width, h = image.Empty() ? 0 : image.Height;
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Be32(header, std::uint32_t(w));
    Be32(header, std::uint32_t(h));
    header += char(8);  // bits per channel
    header += char(6);  // RGBA
    header += std::string(3, '\0');
    Chunk(png, "IHDR", header);

    // The raw scan lines, top first, each after a filter byte 0.
    std::string raw;
    raw.reserve(std::size_t(h) * (std::size_t(w) * 4 + 1));
    for (int y = h - 1; y >= 0; --y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(image.Pixel(0, y)), std::size_t(w) * 4);
    }
    // zlib stream of stored blocks.
    std::string z;
    z += char(0x78);
    z += char(0x01);
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z += char(at + n == raw.size() ? 1 : 0);
        z += char(n & 0xFF);
        z += char(n >> 8);
        z += char(~n & 0xFF);
        z += char((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (const char c : raw) {
        a = (a + std::uint8_t(c)) % 65521;
        b = (b + a) % 65521;
    }
    Be32(z, (b << 16) | a);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

std::string Base64(const std::string& bytes)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const std::uint32_t v = (std::uint8_t(bytes[i]) << 16) | (std::uint8_t(bytes[i + 1]) << 8) | std::uint8_t(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < bytes.size()) {
        std::uint32_t v = std::uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= std::uint8_t(bytes[i + 1]) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}
