#pragma once
// The panel every view draws into: a QOpenGLWidget with a compatibility-profile context,
// a bitmap text font and a logical drawing space of SpaceWidth × SpaceHeight.
//
// Paint protocol: a view puts its drawing in Paint(), drawing only through Gl(). On screen
// paintGL() makes the panel's TOpenGLDrawing current and calls Paint(); the view sets its
// own viewport and projection there. Repaint() runs Paint() at once: on screen into the
// widget's framebuffer (Qt then shows it), and while the panel is not on screen with a
// discarding drawing, so that whatever the view computes or binds during its paint still
// happens.
//
// Positions from mouse events are in device-independent pixels (width() × height());
// the OpenGL drawing scales the viewport to device pixels itself.

#include <functional>
#include <memory>
#include <string>

#include <QFont>
#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>

#include "render/gl/OpenGLDrawing.h"
#include "render/gl/OpenGLFont2D.h"

class QOpenGLFramebufferObject;

class TOpenGLPanel : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit TOpenGLPanel(QWidget* parent = nullptr);
    ~TOpenGLPanel() override;

    // True while the panel and its parent are visible; a panel without a parent (a window
    // of its own) is active while it is visible.
    bool Active() const;

    // The font texts are drawn with: "Arial", 8 points, bold. Glyphs already built are
    // not rebuilt when it changes.
    QFont TextFont;
    void SetTextFont(const QFont& font) { TextFont = font; }

    // First character code and count of the glyphs built up front (32 to 127).
    const int FirstGlyph = 32;
    const int GlyphCount = 96;
    // The glyphs of TextFont; null until the first text drawn in a paint.
    std::unique_ptr<OpenGLFont2D> Font2D;

    // Builds the glyph lists of `font`; null without the panel's context current.
    std::unique_ptr<OpenGLFont2D> CreateFont2D(const QFont& font, int firstGlyph, int glyphCount);
    // Builds Font2D when it is missing (or was built for another device pixel ratio).
    void EnsureFont2D();
    // Draws `text` at the current raster position with Font2D. Only inside a paint;
    // nothing for an empty text (and the font is then not built).
    void DrawText(const std::string& text);
    void DrawTextWithFont(OpenGLFont2D* font, const std::string& text);

    // The logical drawing space; 0 × 0 until a view sets it.
    int SpaceWidth = 0;
    int SpaceHeight = 0;
    // A widget position (device-independent pixels, y downwards) in the logical space
    // (y upwards), each coordinate truncated toward zero; (0, 0) while the panel has no
    // size.
    QPoint ToSpace(const QPointF& position) const;
    // Logical units that `pixels` window pixels span, across and up. Texts are drawn in
    // pixels whatever the window size, so offsets between texts are given in pixels too; in
    // a window as large as the logical space a pixel is a unit.
    float PixelsAcross(float pixels) const;
    float PixelsUp(float pixels) const;

    // The view's drawing. Called by paintGL() and Repaint().
    virtual void Paint() {}
    // For the benchmark program only: when set, paints on screen run it instead of Paint().
    std::function<void()> PaintOverride;
    // Runs Paint() now (see above).
    void Repaint();
    // Draws a whole frame (Paint() and then PaintOverlay(), as on screen) into `drawing`:
    // what a picture of the view is written from.
    void RecordFrame(TDrawing& drawing);
    // A full frame painted now, as an image; null while the panel is not on screen. The
    // panel shows that frame from then on.
    QImage PaintedImage();

    // ---- overlay: what changes with the pointer (a cursor, a hovered row or axis) drawn
    // over the picture of the last full paint, so that a pointer move does not draw every
    // record again. PaintOverlay() runs after Paint() in every full frame, and alone after
    // RepaintOverlay() restored the kept picture; it sets up the viewport and projection it
    // needs. Only a panel with KeepsPicture on keeps its picture (a copy per full paint).
    virtual void PaintOverlay() {}
    // Restores the picture of the last full paint and draws only the overlay over it; a full
    // Repaint() when there is no kept picture of the current size.
    void RepaintOverlay();
    bool KeepsPicture = false;
    long long OverlayPaints = 0;

    // The drawing used on screen; null before the first paint on screen.
    TOpenGLDrawing* OpenGLDrawing() const { return GlDrawing.get(); }
    // Paints run on screen and off screen since construction.
    long long ScreenPaints = 0;
    long long OffScreenPaints = 0;

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private slots:
    void ReleaseGlResources();

private:
    void ForgetFramebuffer();  // the framebuffer is new or gone
    void RenderFrame();  // paints with the OpenGL drawing; the context must be current
    void PaintOffScreen();
    void PaintOverlayWith(TDrawing& drawing);
    // Copies the framebuffer into Kept / back; the context must be current.
    void KeepPicture();
    bool RestorePicture();
    QSize FramebufferSize() const;
    std::unique_ptr<QOpenGLFramebufferObject> Kept;
    bool KeptValid = false;
    bool FrameFresh = false;
    std::unique_ptr<TOpenGLDrawing> GlDrawing;
    bool Painting = false;
};
