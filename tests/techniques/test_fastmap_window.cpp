// The FastMap view in a real window (run under Xvfb): opened on the cars sample from the
// workspace's combo box; in selection mode, hovering over a blue point picks it through
// OpenGL's selection buffer and it turns red.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "techniques/fastmap/FastmapProjection.h"

namespace {

bool IsBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80; }
bool IsRed(QRgb p) { return qRed(p) > 200 && qBlue(p) < 80 && qGreen(p) < 80; }

// Device pixels of `image` in `color` within `radius` of `centre`.
int CountNear(const QImage& image, QPoint centre, int radius, bool (*color)(QRgb))
{
    int count = 0;
    for (int y = centre.y() - radius; y <= centre.y() + radius; ++y)
        for (int x = centre.x() - radius; x <= centre.x() + radius; ++x)
            if (image.rect().contains(x, y) && color(image.pixel(x, y))) ++count;
    return count;
}

TEST(FastmapWindow, HoveringInSelectionModePicksThePointUnderThePointer)
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
    const int item = combo->findText("Fastmap Projection");
    ASSERT_GE(item, 0);
    combo->setCurrentIndex(item);
    emit combo->activated(item);
    auto* view = workspace.findChild<TFastmapProjection*>();
    ASSERT_NE(view, nullptr);
    workspace.ResizeTo(900, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    ASSERT_TRUE(view->isValid());
    ASSERT_EQ(view->PointList->Count(), 392);
    ASSERT_TRUE(view->PointList->Projected);

    view->DrawAxesClick();  // only points on the picture
    view->SetSelectionModeClick();
    QImage image = view->grabFramebuffer();
    const double scale = double(image.width()) / view->width();
    // A blue point with few neighbours: its centre is a spot of blue pixels.
    QPoint target(-1, -1);
    for (int y = 2; y < image.height() - 2 && target.x() < 0; y += 2)
        for (int x = 2; x < image.width() - 2; x += 2)
            if (IsBlue(image.pixel(x, y)) && CountNear(image, {x, y}, int(2 * scale), IsBlue) >= 9) {
                target = {x, y};
                break;
            }
    ASSERT_GE(target.x(), 0) << "no blue point on the picture";
    EXPECT_EQ(CountNear(image, target, int(10 * scale), IsRed), 0);

    const QPoint widget(int(target.x() / scale), int(target.y() / scale));
    QMouseEvent move(QEvent::MouseMove, QPointF(widget), view->mapToGlobal(QPointF(widget)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    const int picked = view->PointList->MarkedElement();
    ASSERT_GE(picked, 0) << "nothing picked at " << widget.x() << "," << widget.y();
    EXPECT_EQ(view->SelectedElementId(), picked);

    image = view->grabFramebuffer();
    EXPECT_GT(CountNear(image, target, int(6 * scale), IsRed), 0) << "the picked point is not red under the pointer";
}

} // namespace
