// TOpenGLPanel in a real window (run under Xvfb): the paint protocol, batched primitives,
// bitmap text including accented names, and the logical space.
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <functional>

#include <gtest/gtest.h>

#include "render/Drawing.h"
#include "render/gl/OpenGLPanel.h"

namespace {

// A panel whose paint is set by the test, over a 200 × 100 logical space.
class TTestPanel : public TOpenGLPanel {
public:
    using TOpenGLPanel::TOpenGLPanel;
    std::function<void()> Body;
    int Paints = 0;
    void Paint() override
    {
        ++Paints;
        TDrawing& gl = Gl();
        gl.Viewport(0, 0, width(), height());
        gl.MatrixMode(TMatrixMode::Projection);
        gl.LoadIdentity();
        gl.Ortho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
        gl.MatrixMode(TMatrixMode::ModelView);
        gl.LoadIdentity();
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(true, true);
        if (Body) Body();
    }
};

struct TWindow {
    QWidget Parent;
    TTestPanel* Panel;
    TWindow()
    {
        Parent.resize(200, 100);
        Panel = new TTestPanel(&Parent);
        Panel->setGeometry(0, 0, 200, 100);
        Panel->SpaceWidth = 200;
        Panel->SpaceHeight = 100;
    }
    bool Show()
    {
        Parent.show();
        return QTest::qWaitForWindowExposed(&Parent) && Panel->isValid();
    }
    // Framebuffer pixel of logical (x, y): the space is 1:1 with pixels, y upwards.
    static QRgb At(const QImage& image, int x, int y)
    {
        return image.pixel(x * image.width() / 200, (99 - y) * image.height() / 100);
    }
};

bool IsColor(QRgb pixel, int r, int g, int b) { return qRed(pixel) == r && qGreen(pixel) == g && qBlue(pixel) == b; }

// Pixels of a colour (each channel within 8) inside a logical rectangle.
int CountColor(const QImage& image, int x0, int y0, int x1, int y1, int r, int g, int b)
{
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const QRgb p = TWindow::At(image, x, y);
            if (std::abs(qRed(p) - r) <= 8 && std::abs(qGreen(p) - g) <= 8 && std::abs(qBlue(p) - b) <= 8) ++count;
        }
    return count;
}

TEST(OpenGLPanel, DrawsBatchedLinesAndTextWhereTheProjectionPutsThem)
{
    TWindow window;
    window.Panel->Body = [] {
        TDrawing& gl = Gl();
        gl.LineWidth(1);
        gl.Color(1, 0, 0);
        gl.Begin(TPrimitive::LineStrip);  // horizontal at y = 10.5, then up at x = 150.5
        gl.Vertex(10.5f, 10.5f);
        gl.Vertex(150.5f, 10.5f);
        gl.Vertex(150.5f, 90.5f);
        gl.End();
        gl.Begin(TPrimitive::Lines);  // joins the same run, in another colour
        gl.Color(0, 1, 0);
        gl.Vertex(20.5f, 30.5f);
        gl.Vertex(100.5f, 30.5f);
        gl.End();
        gl.Begin(TPrimitive::Quads);  // an incomplete quad is dropped ...
        gl.Color(0, 0, 1);
        gl.Vertex(0, 0);
        gl.Vertex(5, 0);
        gl.Vertex(5, 5);
        gl.End();
        gl.Begin(TPrimitive::Quads);  // ... so this one still has its own four corners
        gl.Vertex(170, 60);
        gl.Vertex(190, 60);
        gl.Vertex(190, 80);
        gl.Vertex(170, 80);
        gl.End();
        gl.Color(1, 1, 0);
        gl.RasterPos(20, 60);
        gl.Color(1, 0, 1);  // too late: the raster colour was latched at RasterPos
        gl.Text("0.25 Age");
        gl.Color(0, 1, 1);
        gl.RasterPos(20, 40);
        gl.Text("Jos\xC3\xA9 \xC3\x89");  // UTF-8 "José É"
        gl.RasterPos(100, 40);
        gl.Text("\xE9\xE9\xE9");  // Latin-1 "ééé"
        gl.RasterPos(100, 80);
        gl.Text("");
    };
    ASSERT_TRUE(window.Show());
    const QImage image = window.Panel->grabFramebuffer();
    ASSERT_FALSE(image.isNull());
    if (qEnvironmentVariableIsSet("LUMETRA_SAVE_IMAGE")) image.save(qEnvironmentVariable("LUMETRA_SAVE_IMAGE"));

    EXPECT_TRUE(IsColor(TWindow::At(image, 80, 10), 255, 0, 0));
    EXPECT_TRUE(IsColor(TWindow::At(image, 150, 50), 255, 0, 0));
    EXPECT_TRUE(IsColor(TWindow::At(image, 60, 30), 0, 255, 0));
    EXPECT_TRUE(IsColor(TWindow::At(image, 80, 50), 0, 0, 0));
    EXPECT_TRUE(IsColor(TWindow::At(image, 180, 70), 0, 0, 255));
    EXPECT_EQ(CountColor(image, 0, 0, 8, 8, 0, 0, 255), 0);

    // Text starts at its raster position and runs right and up from the baseline.
    EXPECT_GT(CountColor(image, 20, 60, 75, 72, 255, 255, 0), 10);
    EXPECT_EQ(CountColor(image, 0, 55, 199, 75, 255, 0, 255), 0);
    EXPECT_EQ(CountColor(image, 0, 61, 18, 72, 255, 255, 0), 0);
    // The accented texts are drawn, both from UTF-8 and from Latin-1 bytes.
    EXPECT_GT(CountColor(image, 20, 40, 70, 54, 0, 255, 255), 10);
    EXPECT_GT(CountColor(image, 100, 40, 130, 52, 0, 255, 255), 10);
    ASSERT_NE(window.Panel->Font2D, nullptr);

    // Lines and the second quad: the strip, its segments and the lines share one run.
    ASSERT_NE(window.Panel->OpenGLDrawing(), nullptr);
    const long long before = window.Panel->OpenGLDrawing()->DrawCalls;
    window.Panel->Repaint();
    EXPECT_EQ(window.Panel->OpenGLDrawing()->DrawCalls - before, 2);
}

TEST(OpenGLPanel, StippledStripsKeepTheirPatternAndColoursBlendAlongSegments)
{
    TWindow window;
    window.Panel->Body = [] {
        TDrawing& gl = Gl();
        gl.Enable(TCapability::LineStipple);
        gl.LineStipple(1, 0x00FF);  // 8 on, 8 off, running on along the strip
        gl.Color(1, 1, 1);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(0.5f, 20.5f);
        gl.Vertex(12.5f, 20.5f);  // a short first segment: the pattern must not restart here
        gl.Vertex(100.5f, 20.5f);
        gl.End();
        gl.Disable(TCapability::LineStipple);
        gl.Begin(TPrimitive::LineStrip);  // per-vertex colours survive the strip's split
        gl.Color(1, 0, 0);
        gl.Vertex(0.5f, 60.5f);
        gl.Vertex(100.5f, 60.5f);
        gl.Color(0, 0, 1);
        gl.Vertex(199.5f, 60.5f);
        gl.End();
    };
    ASSERT_TRUE(window.Show());
    const QImage image = window.Panel->grabFramebuffer();
    if (qEnvironmentVariableIsSet("LUMETRA_SAVE_IMAGE")) image.save(qEnvironmentVariable("LUMETRA_SAVE_IMAGE") + "-stipple.png");
    // Pixels 0-7 on, 8-15 off, 16-23 on: a pattern restarted at x = 12 would light 12-19.
    EXPECT_TRUE(IsColor(TWindow::At(image, 4, 20), 255, 255, 255));
    EXPECT_TRUE(IsColor(TWindow::At(image, 13, 20), 0, 0, 0));
    EXPECT_TRUE(IsColor(TWindow::At(image, 20, 20), 255, 255, 255));
    EXPECT_TRUE(IsColor(TWindow::At(image, 50, 60), 255, 0, 0));
    const QRgb middle = TWindow::At(image, 150, 60);
    EXPECT_GT(qRed(middle), 60);
    EXPECT_GT(qBlue(middle), 60);
    EXPECT_GT(window.Panel->OpenGLDrawing()->GlSeconds, 0.0);
}

TEST(OpenGLPanel, SelectionModeReportsTheNameUnderThePickRegion)
{
    TWindow window;
    unsigned buffer[16] = {};
    int hits = -2;
    window.Panel->Body = [&] {
        TDrawing& gl = Gl();
        gl.BeginSelect(buffer, 16);
        gl.InitNames();
        gl.PushName(0);
        gl.MatrixMode(TMatrixMode::Projection);
        gl.LoadIdentity();
        gl.PickMatrix(120, 50, 5, 5);
        gl.Ortho(0, 200, 0, 100, -2, 2);
        gl.MatrixMode(TMatrixMode::ModelView);
        gl.PointSize(3);
        for (unsigned n = 0; n < 3; ++n) {
            gl.LoadName(n);
            gl.Begin(TPrimitive::Points);
            gl.Vertex(60.5f * float(n + 1), 50.5f);
            gl.End();
        }
        hits = gl.EndSelect();
    };
    ASSERT_TRUE(window.Show());
    window.Panel->Repaint();
    ASSERT_EQ(hits, 1);
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_EQ(buffer[3], 1u);
}

TEST(OpenGLPanel, AccentedCharactersDrawTheirOwnGlyphs)
{
    // "É" must not look like "E": the glyph built on demand is the accented one.
    TWindow window;
    std::string text = "E";
    window.Panel->Body = [&text] {
        Gl().Color(1, 1, 1);
        Gl().RasterPos(50, 40);
        Gl().Text(text);
    };
    ASSERT_TRUE(window.Show());
    window.Panel->Repaint();
    const QImage plain = window.Panel->grabFramebuffer();
    text = "\xC3\x89";
    window.Panel->Repaint();
    const QImage accented = window.Panel->grabFramebuffer();
    const int plainCount = CountColor(plain, 40, 30, 80, 70, 255, 255, 255);
    const int accentedCount = CountColor(accented, 40, 30, 80, 70, 255, 255, 255);
    EXPECT_GT(plainCount, 5);
    EXPECT_GT(accentedCount, plainCount);
}

TEST(OpenGLPanel, RepaintRunsPaintAtOnceOnScreenAndOffScreen)
{
    TWindow window;
    int runs = 0;
    bool hadText = false;
    window.Panel->Body = [&] {
        ++runs;
        Gl().RasterPos(1, 1);
        Gl().Text("x");
    };
    // Never shown: the paint still runs, with a drawing that discards.
    window.Panel->Repaint();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(window.Panel->OffScreenPaints, 1);
    EXPECT_EQ(window.Panel->Font2D, nullptr);

    ASSERT_TRUE(window.Show());
    const long long screen = window.Panel->ScreenPaints;
    const int before = runs;
    window.Panel->Repaint();
    EXPECT_EQ(runs, before + 1);
    EXPECT_EQ(window.Panel->ScreenPaints, screen + 1);
    hadText = window.Panel->Font2D != nullptr;
    EXPECT_TRUE(hadText);

    window.Panel->hide();
    EXPECT_FALSE(window.Panel->Active());
    window.Panel->Repaint();
    EXPECT_EQ(runs, before + 2);
    EXPECT_EQ(window.Panel->OffScreenPaints, 2);

    window.Panel->show();
    EXPECT_TRUE(window.Panel->Active());
    window.Parent.hide();
    EXPECT_FALSE(window.Panel->Active());
}

TEST(OpenGLPanel, AnEmptyTextBuildsNoFont)
{
    TWindow window;
    window.Panel->Body = [] {
        Gl().RasterPos(10, 10);
        Gl().Text("");
    };
    ASSERT_TRUE(window.Show());
    window.Panel->Repaint();
    EXPECT_GE(window.Panel->ScreenPaints, 1);
    EXPECT_EQ(window.Panel->Font2D, nullptr);
}

TEST(OpenGLPanel, ActiveWithoutAParentFollowsItsOwnVisibility)
{
    TTestPanel panel;
    EXPECT_FALSE(panel.Active());
    panel.resize(50, 50);
    panel.show();
    EXPECT_TRUE(panel.Active());
}

TEST(OpenGLPanel, ToSpaceTruncatesAndFlipsY)
{
    struct TCase {
        int Width, Height, SpaceW, SpaceH;
        double X, Y;
        int Ex, Ey;
    };
    const TCase cases[] = {
        {200, 100, 1000, 500, 0, 0, 0, 500},
        {200, 100, 1000, 500, 199.9, 99.9, 999, 0},
        {300, 300, 100, 100, 100, 200, 33, 33},   // 33.33 truncated
        {300, 300, 100, 100, -1, 301, 0, 0},      // -0.33 truncates toward zero
        {0, 100, 100, 100, 10, 10, 0, 0},          // no width: no division
        {100, 0, 100, 100, 10, 10, 0, 0},
    };
    for (const TCase& c : cases) {
        TTestPanel panel;
        panel.resize(c.Width, c.Height);
        panel.SpaceWidth = c.SpaceW;
        panel.SpaceHeight = c.SpaceH;
        const QPoint p = panel.ToSpace(QPointF(c.X, c.Y));
        EXPECT_EQ(p.x(), c.Ex) << c.Width << "x" << c.Height << " at " << c.X << "," << c.Y;
        EXPECT_EQ(p.y(), c.Ey) << c.Width << "x" << c.Height << " at " << c.X << "," << c.Y;
    }
}

TEST(OpenGLPanel, DefaultFontAndTextOutsideAPaintIsHarmless)
{
    TTestPanel panel;
    EXPECT_EQ(panel.TextFont.family(), QString("Arial"));
    EXPECT_EQ(panel.TextFont.pointSize(), 8);
    EXPECT_TRUE(panel.TextFont.bold());
    QFont other("Courier", 12);
    panel.SetTextFont(other);
    EXPECT_EQ(panel.TextFont.pointSize(), 12);
    panel.DrawText("no context");
    EXPECT_EQ(panel.Font2D, nullptr);
    EXPECT_EQ(panel.SpaceWidth, 0);
    EXPECT_EQ(panel.SpaceHeight, 0);
}

}  // namespace

namespace {
// Red everywhere from the full paint; a green square at OverlayX from the overlay.
class TOverlayPanel : public TTestPanel {
public:
    int OverlayX = 20;
    void PaintOverlay() override
    {
        TDrawing& gl = Gl();
        gl.Viewport(0, 0, width(), height());
        gl.MatrixMode(TMatrixMode::Projection);
        gl.LoadIdentity();
        gl.Ortho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
        gl.MatrixMode(TMatrixMode::ModelView);
        gl.LoadIdentity();
        gl.Color(0, 1, 0);
        gl.Begin(TPrimitive::Quads);
        gl.Vertex(float(OverlayX), 40);
        gl.Vertex(float(OverlayX + 20), 40);
        gl.Vertex(float(OverlayX + 20), 60);
        gl.Vertex(float(OverlayX), 60);
        gl.End();
    }
};
} // namespace

TEST(OpenGLPanel, AnOverlayRepaintRestoresTheKeptPictureAndDrawsOnlyTheOverlay)
{
    QWidget parent;
    parent.resize(200, 100);
    auto* panel = new TOverlayPanel;
    panel->setParent(&parent);
    panel->setGeometry(0, 0, 200, 100);
    panel->SpaceWidth = 200;
    panel->SpaceHeight = 100;
    panel->KeepsPicture = true;
    panel->Body = [] {
        TDrawing& gl = Gl();
        gl.Color(1, 0, 0);
        const float quad[] = {0, 0, 200, 0, 200, 0, 200, 100, 200, 100, 0, 100, 0, 100, 0, 0};
        gl.Begin(TPrimitive::Quads);
        for (int i = 0; i < 16; i += 4) gl.Vertex(quad[i], quad[i + 1]);
        gl.End();
    };
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent) && panel->isValid());
    panel->Repaint();
    const int paints = panel->Paints;
    panel->OverlayX = 140;
    panel->RepaintOverlay();
    EXPECT_EQ(panel->Paints, paints);  // no full paint
    EXPECT_EQ(panel->OverlayPaints, 1);
    const QImage image = panel->grabFramebuffer();
    EXPECT_GT(CountColor(image, 145, 45, 155, 55, 0, 255, 0), 100);  // the overlay where it is now
    EXPECT_GT(CountColor(image, 25, 45, 35, 55, 255, 0, 0), 100);    // the picture back where it was
}

// Pixels of the panel as the screen shows them (the window system's composition, not a
// fresh paint), in the logical space of TWindow::At.
QImage OnScreen(const QWidget* panel)
{
    const QPoint at = panel->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), panel->width(), panel->height()).toImage();
}

// A panel moved into another window gets a new context and framebuffer, here of the same
// size (so no resize tells it so). What it shows there must be a fresh paint: neither the
// frame painted just before the move (in the old framebuffer) nor the picture kept in the
// old context may stand in for it.
TEST(OpenGLPanel, APanelMovedIntoAnotherWindowOfTheSameSizePaintsThere)
{
    for (const bool overlay : {false, true}) {
        SCOPED_TRACE(overlay ? "overlay repaint after the move" : "repaint just before the move");
        QWidget first, second;
        for (QWidget* window : {&first, &second}) {
            window->setGeometry(100, 100, 200, 100);
        }
        auto* panel = new TOverlayPanel;
        panel->setParent(&first);
        panel->setGeometry(0, 0, 200, 100);
        panel->SpaceWidth = 200;
        panel->SpaceHeight = 100;
        panel->KeepsPicture = overlay;
        panel->Body = [] {
            TDrawing& gl = Gl();
            gl.Color(1, 0, 0);
            gl.Begin(TPrimitive::Quads);
            gl.Vertex(0, 0);
            gl.Vertex(200, 0);
            gl.Vertex(200, 100);
            gl.Vertex(0, 100);
            gl.End();
        };
        first.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&first) && panel->isValid());
        QTest::qWait(100);
        if (!overlay) panel->Repaint();
        panel->setParent(&second);
        panel->setGeometry(0, 0, 200, 100);
        panel->show();
        first.hide();
        second.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
        QTest::qWait(200);
        if (overlay) {
            panel->OverlayX = 140;
            panel->RepaintOverlay();
            QTest::qWait(200);
        }
        const QImage image = OnScreen(panel);
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(CountColor(image, 85, 45, 95, 55, 255, 0, 0), 100);  // the picture, painted in the new window
        delete panel;
    }
}

TEST(OpenGLPanel, ASpaceMovesTheFollowingCharactersRight)
{
    // "I I" reaches further right than "II": the blank glyph advances the raster position.
    TWindow window;
    std::string text = "II";
    window.Panel->Body = [&text] {
        Gl().Color(1, 1, 1);
        Gl().RasterPos(20, 40);
        Gl().Text(text);
    };
    ASSERT_TRUE(window.Show());
    auto rightmost = [&window] {
        window.Panel->Repaint();
        const QImage image = window.Panel->grabFramebuffer();
        int right = -1;
        for (int x = 0; x < 200; ++x)
            if (CountColor(image, x, 30, x, 70, 255, 255, 255) > 0) right = x;
        return right;
    };
    const int together = rightmost();
    text = "I I";
    const int apart = rightmost();
    EXPECT_GT(together, 20);
    EXPECT_GE(apart, together + 2);
}
