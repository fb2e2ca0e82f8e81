#pragma once
// An RGBA picture of 8 bits per channel, straight (not premultiplied) alpha, row 0 at the
// bottom as the logical space and OpenGL textures have it. What the density drawing makes
// and the drawing interface's Image primitive shows.
#include <cstddef>
#include <cstdint>
#include <vector>

// A new number for every picture content; what shows pictures on screen keeps a texture
// per version instead of sending the same picture again.
std::uint64_t NewImageVersion();

struct TRgbaImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;  // 4 bytes per pixel, row after row from the bottom
    // Changes with every Reset; code that changes pixels afterwards (other than right after
    // its own Reset) calls Touch.
    std::uint64_t Version = 0;
    void Touch() { Version = NewImageVersion(); }

    bool Empty() const { return Width <= 0 || Height <= 0 || Pixels.size() < std::size_t(Width) * std::size_t(Height) * 4; }
    // Sizes the picture and makes every pixel transparent.
    void Reset(int width, int height)
    {
        Width = width > 0 ? width : 0;
        Height = height > 0 ? height : 0;
        Pixels.assign(std::size_t(Width) * std::size_t(Height) * 4, 0);
        Touch();
    }
    const std::uint8_t* Pixel(int x, int y) const { return Pixels.data() + (std::size_t(y) * std::size_t(Width) + std::size_t(x)) * 4; }
    std::uint8_t* Pixel(int x, int y) { return Pixels.data() + (std::size_t(y) * std::size_t(Width) + std::size_t(x)) * 4; }
};
