// A star-coordinates view in a real window (run under Xvfb): opened on the cars sample from
// the workspace's combo box; the pixels read back show the dots, and an end point dragged
// with the mouse redraws only the overlay until the release moves the dots.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "techniques/star/StarCoordinates.h"

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

int CountPixels(const QImage& image, bool (*match)(QRgb))
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += match(image.pixel(x, y));
    return n;
}

bool IsBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80; }

} // namespace

TEST(StarWindow, ShowsTheDotsAndMovesThemOnceAnEndPointDragEnds)
{
    TFormVisualizationTree main;
    main.setWindowState(Qt::WindowNoState);
    main.resize(1200, 900);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TFormVisWorkspace workspace(&main);
    ASSERT_TRUE(workspace.LoadFromTextFile(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"));

    auto* combo = workspace.findChild<QComboBox*>("ComboBoxVisualizations");
    ASSERT_NE(combo, nullptr);
    const int item = combo->findText("Star Coordinates");
    ASSERT_GE(item, 0);
    combo->setCurrentIndex(item);
    emit combo->activated(item);
    auto* view = workspace.findChild<TStarCoordinates*>();
    ASSERT_NE(view, nullptr);
    workspace.ResizeTo(900, 700);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    ASSERT_TRUE(view->isValid());
    view->Repaint();

    const QImage before = view->grabFramebuffer();
    const int blue = CountPixels(before, IsBlue);
    EXPECT_GT(blue, 200);  // 392 dots of 6 pixels, many overlapping

    // Drag axis 0's end point to the upper left of the centre.
    const TStarAxis* axis = view->StarAxesList.Item(0);
    ASSERT_NE(axis, nullptr);
    auto widget = [&](float sx, float sy) {
        const float lx = sx + view->OpenGLAreaHorizontalRange, ly = sy + view->OpenGLAreaVerticalRange;
        return QPoint(int(lx * view->width() / view->SpaceWidth + 0.5f),
                      int(view->height() - ly * view->height() / view->SpaceHeight + 0.5f));
    };
    const QPoint end = widget(axis->EndPoint.X, axis->EndPoint.Y);
    const QPoint to = widget(-200, 250);
    SendMouse(view, QEvent::MouseMove, end, Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(view->StarAxesList.AxisWithMouseOverEndPoint(), 0);
    SendMouse(view, QEvent::MouseButtonPress, end, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(view->DraggedAxisIndex, 0);
    const long long fullPaints = view->ScreenPaints;
    const long long computed = view->StarDotList.PositionComputations;
    for (int step = 1; step <= 4; ++step)
        SendMouse(view, QEvent::MouseMove, end + (to - end) * step / 4, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view->ScreenPaints, fullPaints);  // only the overlay was drawn
    EXPECT_GE(view->OverlayPaints, 4);
    EXPECT_EQ(view->StarDotList.PositionComputations, computed);
    SendMouse(view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->DraggedAxisIndex, -1);
    EXPECT_EQ(view->StarDotList.PositionComputations, computed + 1);

    const QImage after = view->grabFramebuffer();
    EXPECT_NE(after, before);
    EXPECT_GT(CountPixels(after, IsBlue), 200);
}
