#include "render/gl/OpenGLPanel.h"

#include <cmath>
#include <limits>

#include <QOpenGLContext>

namespace {
int TruncateToInt(double value)
{
    if (!std::isfinite(value)) return 0;
    const double t = std::trunc(value);
    if (t >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (t <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(t);
}

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
    return QPoint(TruncateToInt(position.x() / w * SpaceWidth), TruncateToInt((h - position.y()) / h * SpaceHeight));
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
}

void TOpenGLPanel::ReleaseGlResources()
{
    makeCurrent();
    Font2D.reset();
    doneCurrent();
}

void TOpenGLPanel::resizeGL(int, int)
{
    FrameFresh = false;  // a new framebuffer: the frame must be painted again
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
    Paint();
}

void TOpenGLPanel::PaintOffScreen()
{
    TFlagScope painting(Painting);
    FrameFresh = false;  // what the framebuffer holds is older than this paint
    TDiscardingDrawing discarding;
    TCurrentDrawing current(discarding);
    ++OffScreenPaints;
    Paint();
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
