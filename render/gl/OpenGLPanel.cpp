#include "render/gl/OpenGLPanel.h"

#include <chrono>
#include <cmath>
#include <limits>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include "render/CheckedInt.h"

namespace {
// Makes a flag true for a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagScope() { Flag = false; }

private:
    bool& Flag;
};
}  // namespace

TOpenGLPanel::TOpenGLPanel(QWidget* parent) : QOpenGLWidget(parent), TextFont("Arial", 8, QFont::Bold)
{
    // The framebuffer keeps its contents between paints, so a frame painted by Repaint()
    // can be shown without painting it again.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

TOpenGLPanel::~TOpenGLPanel()
{
    // The context goes in the base destructor, after this part of the panel is gone:
    // free the glyphs now and let the context's signal reach no slot of ours.
    if (context()) disconnect(context(), nullptr, this, nullptr);
    if (isValid() && context()) {
        makeCurrent();
        Font2D.reset();
        doneCurrent();
    }
    Font2D.reset();
}

bool TOpenGLPanel::Active() const
{
    const QWidget* parent = parentWidget();
    return isVisible() && (!parent || parent->isVisible());
}

QPoint TOpenGLPanel::ToSpace(const QPointF& position) const
{
    const double w = width();
    const double h = height();
    if (w <= 0 || h <= 0) return QPoint(0, 0);
    return QPoint(TruncToInt(position.x() / w * SpaceWidth), TruncToInt((h - position.y()) / h * SpaceHeight));
}

float TOpenGLPanel::PixelsAcross(float pixels) const
{
    return (width() > 0 && SpaceWidth > 0) ? pixels * float(SpaceWidth) / float(width()) : pixels;
}

float TOpenGLPanel::PixelsUp(float pixels) const
{
    return (height() > 0 && SpaceHeight > 0) ? pixels * float(SpaceHeight) / float(height()) : pixels;
}

// ---- text

std::unique_ptr<OpenGLFont2D> TOpenGLPanel::CreateFont2D(const QFont& font, int firstGlyph, int glyphCount)
{
    if (!context() || QOpenGLContext::currentContext() != context()) return nullptr;
    return OpenGLFont2D::Create(font, firstGlyph, glyphCount, devicePixelRatioF());
}

void TOpenGLPanel::EnsureFont2D()
{
    // A panel moved to a screen of another pixel ratio needs its glyphs at the new size.
    if (Font2D && Font2D->PixelRatio != devicePixelRatioF()) Font2D.reset();
    if (!Font2D) Font2D = CreateFont2D(TextFont, FirstGlyph, GlyphCount);
}

void TOpenGLPanel::DrawText(const std::string& text)
{
    if (text.empty()) return;
    EnsureFont2D();
    DrawTextWithFont(Font2D.get(), text);
}

void TOpenGLPanel::DrawTextWithFont(OpenGLFont2D* font, const std::string& text)
{
    if (!font || text.empty() || !context() || QOpenGLContext::currentContext() != context()) return;
    font->Draw(text);
}

// ---- painting

void TOpenGLPanel::initializeGL()
{
    // Glyph lists live in the context: free them when it goes (a panel moved to another
    // window gets a new context and builds its glyphs again).
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TOpenGLPanel::ReleaseGlResources,
            Qt::UniqueConnection);
    ForgetFramebuffer();  // a new context comes with a new framebuffer, of any size
}

void TOpenGLPanel::ReleaseGlResources()
{
    makeCurrent();
    Font2D.reset();
    Kept.reset();
    if (GlDrawing) GlDrawing->ReleaseTextures();
    doneCurrent();
    ForgetFramebuffer();
}

void TOpenGLPanel::ForgetFramebuffer()
{
    // Neither the frame of a Repaint() nor the kept picture may stand in for a paint now.
    FrameFresh = false;
    KeptValid = false;
}

void TOpenGLPanel::resizeGL(int, int)
{
    ForgetFramebuffer();  // a new framebuffer: the frame must be painted again
}

void TOpenGLPanel::paintGL()
{
    if (FrameFresh) {
        // Repaint() has just painted this frame; the framebuffer keeps it (partial-update
        // behaviour).
        FrameFresh = false;
        return;
    }
    RenderFrame();
}

void TOpenGLPanel::RenderFrame()
{
    if (Painting) return;
    TFlagScope painting(Painting);
    if (!GlDrawing) GlDrawing = std::make_unique<TOpenGLDrawing>(this);
    GlDrawing->BeginPaint(devicePixelRatioF());
    struct TEnd {
        TOpenGLDrawing& Drawing;
        ~TEnd() { Drawing.EndPaint(); }
    } end{*GlDrawing};
    TCurrentDrawing current(*GlDrawing);
    ++ScreenPaints;
    if (PaintOverride) {
        PaintOverride();
        return;
    }
    Paint();
    if (KeepsPicture) {
        GlDrawing->EndPaint();
        // The copy is OpenGL's work: counted with the drawing's OpenGL time.
        const auto start = std::chrono::steady_clock::now();
        KeepPicture();
        GlDrawing->GlSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        GlDrawing->BeginPaint(devicePixelRatioF());
    }
    PaintOverlay();
}

QSize TOpenGLPanel::FramebufferSize() const
{
    const double ratio = devicePixelRatioF();
    return QSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

void TOpenGLPanel::KeepPicture()
{
    const QSize size = FramebufferSize();
    KeptValid = false;
    if (size.isEmpty() || !context()) return;
    if (!Kept || Kept->size() != size) Kept = std::make_unique<QOpenGLFramebufferObject>(size);
    if (!Kept->isValid()) return;
    QOpenGLExtraFunctions* f = context()->extraFunctions();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, Kept->handle());
    f->glBlitFramebuffer(0, 0, size.width(), size.height(), 0, 0, size.width(), size.height(), GL_COLOR_BUFFER_BIT,
                         GL_NEAREST);
    f->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    KeptValid = true;
}

bool TOpenGLPanel::RestorePicture()
{
    const QSize size = FramebufferSize();
    if (!KeptValid || !Kept || !Kept->isValid() || Kept->size() != size || !context()) return false;
    QOpenGLExtraFunctions* f = context()->extraFunctions();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, Kept->handle());
    f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, defaultFramebufferObject());
    f->glBlitFramebuffer(0, 0, size.width(), size.height(), 0, 0, size.width(), size.height(), GL_COLOR_BUFFER_BIT,
                         GL_NEAREST);
    f->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    return true;
}

void TOpenGLPanel::PaintOverlayWith(TDrawing& drawing)
{
    TCurrentDrawing current(drawing);
    ++OverlayPaints;
    PaintOverlay();
}

void TOpenGLPanel::RepaintOverlay()
{
    if (Painting) return;
    if (!(isVisible() && isValid())) {
        TFlagScope painting(Painting);
        TDiscardingDrawing discarding;
        PaintOverlayWith(discarding);
        return;
    }
    makeCurrent();
    if (!RestorePicture()) {
        doneCurrent();
        Repaint();
        return;
    }
    {
        TFlagScope painting(Painting);
        if (!GlDrawing) GlDrawing = std::make_unique<TOpenGLDrawing>(this);
        GlDrawing->BeginPaint(devicePixelRatioF());
        PaintOverlayWith(*GlDrawing);
        GlDrawing->EndPaint();
    }
    doneCurrent();
    FrameFresh = true;
    update();
}

void TOpenGLPanel::PaintOffScreen()
{
    TFlagScope painting(Painting);
    FrameFresh = false;  // what the framebuffer holds is older than this paint
    TDiscardingDrawing discarding;
    TCurrentDrawing current(discarding);
    ++OffScreenPaints;
    Paint();
    PaintOverlay();
}

QImage TOpenGLPanel::PaintedImage()
{
    if (Painting || !isVisible() || !isValid()) return {};
    ForgetFramebuffer();  // no earlier frame stands in: grabFramebuffer() runs paintGL()
    return grabFramebuffer();
}

void TOpenGLPanel::RecordFrame(TDrawing& drawing)
{
    if (Painting) return;
    TFlagScope painting(Painting);
    TCurrentDrawing current(drawing);
    Paint();
    PaintOverlay();
}

void TOpenGLPanel::Repaint()
{
    if (Painting) return;  // a repaint asked for from inside the paint itself
    // QWidget::repaint() does not run paintGL() at once for a QOpenGLWidget (Qt 6 defers
    // it to the next frame), so the panel paints into its framebuffer itself and only asks
    // Qt to show it; the paintGL() that update() brings then keeps the fresh frame.
    if (isVisible() && isValid()) {
        makeCurrent();
        RenderFrame();
        doneCurrent();
        FrameFresh = true;
        update();
        return;
    }
    PaintOffScreen();
}
