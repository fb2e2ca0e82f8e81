#pragma once
// A panel's text font as OpenGL bitmap display lists. The glyphs of the codes
// FirstGlyph .. FirstGlyph + GlyphCount - 1 are built at creation as consecutive lists
// from ListBase; other characters get a list of their own the first time a text holds
// them. Glyphs are rasterised with QPainter from a QFont (no antialiasing, as bitmaps
// take one bit per pixel). Every operation needs the owning panel's context current.

#include <map>
#include <memory>
#include <string>

#include <QFont>

class OpenGLFont2D {
public:
    // Builds the glyph lists of `font`, scaled to device pixels by `pixelRatio`. Null when
    // no display lists can be had (no current context).
    static std::unique_ptr<OpenGLFont2D> Create(const QFont& font, int firstGlyph, int glyphCount,
                                                double pixelRatio = 1.0);
    // Deletes every display list the font built (when a context is current; without one
    // the lists went with their context).
    ~OpenGLFont2D();
    OpenGLFont2D(const OpenGLFont2D&) = delete;
    OpenGLFont2D& operator=(const OpenGLFont2D&) = delete;

    // Draws `text` (bytes: UTF-8 when valid, otherwise Latin-1) at the current raster
    // position, one glCallLists for the whole string. Control characters (below 32 and
    // 128 to 159) have no glyph and are skipped; an empty text draws nothing.
    void Draw(const std::string& text);

    // The display list of a character's glyph, built on demand; 0 when none.
    unsigned GlyphList(char32_t code);

    const int FirstGlyph;
    const int GlyphCount;
    const unsigned ListBase;
    const double PixelRatio;

private:
    OpenGLFont2D(const QFont& font, int firstGlyph, int glyphCount, unsigned listBase, double pixelRatio);
    void BuildGlyph(char32_t code, unsigned list);

    QFont GlyphFont;  // the font at device-pixel size, without antialiasing
    std::map<char32_t, unsigned> ExtraGlyphs;
};
