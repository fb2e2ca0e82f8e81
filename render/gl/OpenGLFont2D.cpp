#include "render/gl/OpenGLFont2D.h"

#include <GL/gl.h>

#include <QFontMetrics>
#include <QImage>
#include <QOpenGLContext>
#include <QPainter>
#include <vector>

#include "render/TextDecoding.h"

namespace {
bool IsControl(char32_t code) { return code < 32 || (code >= 128 && code < 160); }

QFont DevicePixelFont(const QFont& font, double pixelRatio)
{
    QFont scaled(font);
    if (pixelRatio > 0 && pixelRatio != 1.0) {
        if (font.pointSizeF() > 0)
            scaled.setPointSizeF(font.pointSizeF() * pixelRatio);
        else if (font.pixelSize() > 0)
            scaled.setPixelSize(int(font.pixelSize() * pixelRatio + 0.5));
    }
    scaled.setStyleStrategy(QFont::NoAntialias);
    return scaled;
}
}  // namespace

std::unique_ptr<OpenGLFont2D> OpenGLFont2D::Create(const QFont& font, int firstGlyph, int glyphCount,
                                                   double pixelRatio)
{
    if (glyphCount <= 0 || firstGlyph < 0 || !QOpenGLContext::currentContext()) return nullptr;
    const GLuint base = glGenLists(glyphCount);
    if (base == 0) return nullptr;
    std::unique_ptr<OpenGLFont2D> result(new OpenGLFont2D(font, firstGlyph, glyphCount, base, pixelRatio));
    for (int i = 0; i < glyphCount; ++i) result->BuildGlyph(char32_t(firstGlyph + i), base + i);
    return result;
}

OpenGLFont2D::OpenGLFont2D(const QFont& font, int firstGlyph, int glyphCount, unsigned listBase, double pixelRatio)
    : FirstGlyph(firstGlyph), GlyphCount(glyphCount), ListBase(listBase), PixelRatio(pixelRatio),
      GlyphFont(DevicePixelFont(font, pixelRatio))
{
}

OpenGLFont2D::~OpenGLFont2D()
{
    if (!QOpenGLContext::currentContext()) return;
    glDeleteLists(ListBase, GlyphCount);
    for (const auto& [code, list] : ExtraGlyphs) glDeleteLists(list, 1);
}

void OpenGLFont2D::BuildGlyph(char32_t code, unsigned list)
{
    const QString text = QString::fromUcs4(&code, 1);
    QImage scratch(1, 1, QImage::Format_RGB32);
    const QFontMetrics metrics(GlyphFont, &scratch);
    const QRect bounds = metrics.boundingRect(text);
    const int advance = metrics.horizontalAdvance(text);

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glNewList(list, GL_COMPILE);
    if (bounds.isEmpty()) {
        // A blank glyph (the space) as one unset pixel: some drivers drop the raster move
        // of an empty bitmap kept in a display list.
        static const GLubyte blank[1] = {0};
        glBitmap(1, 1, 0, 0, GLfloat(advance), 0, blank);
    } else {
        // One pixel of margin; the pen origin sits at (originX, originY) from the top left.
        const int pad = 1;
        const int width = bounds.width() + 2 * pad;
        const int height = bounds.height() + 2 * pad;
        const int originX = pad - bounds.left();
        const int originY = pad - bounds.top();
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.setFont(GlyphFont);
            painter.setPen(Qt::white);
            painter.drawText(originX, originY, text);
        }
        // glBitmap rows run bottom to top, most significant bit first.
        const int rowBytes = (width + 7) / 8;
        std::vector<GLubyte> bits(std::size_t(rowBytes) * height, 0);
        for (int row = 0; row < height; ++row) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(height - 1 - row));
            for (int x = 0; x < width; ++x)
                if (qGreen(line[x]) > 127) bits[std::size_t(row) * rowBytes + x / 8] |= GLubyte(0x80 >> (x % 8));
        }
        glBitmap(width, height, GLfloat(originX), GLfloat(height - originY), GLfloat(advance), 0, bits.data());
    }
    glEndList();
    glPopClientAttrib();
}

unsigned OpenGLFont2D::GlyphList(char32_t code)
{
    if (IsControl(code)) return 0;
    if (code >= char32_t(FirstGlyph) && code < char32_t(FirstGlyph + GlyphCount)) return ListBase + (code - FirstGlyph);
    const auto found = ExtraGlyphs.find(code);
    if (found != ExtraGlyphs.end()) return found->second;
    const GLuint list = glGenLists(1);
    if (list == 0) return 0;
    BuildGlyph(code, list);
    ExtraGlyphs.emplace(code, list);
    return list;
}

void OpenGLFont2D::Draw(const std::string& text)
{
    if (text.empty()) return;
    bool plain = true;  // every byte has a prebuilt glyph: the bytes index the lists directly
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < FirstGlyph || b >= FirstGlyph + GlyphCount || b >= 128) {
            plain = false;
            break;
        }
    }
    glPushAttrib(GL_LIST_BIT);
    if (plain) {
        glListBase(ListBase - FirstGlyph);
        glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
    } else {
        std::vector<GLuint> lists;
        for (char32_t code : DecodeTextBytes(text))
            if (const unsigned list = GlyphList(code)) lists.push_back(list);
        glListBase(0);
        if (!lists.empty()) glCallLists(GLsizei(lists.size()), GL_UNSIGNED_INT, lists.data());
    }
    glPopAttrib();
}
