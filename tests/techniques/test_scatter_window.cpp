// A scatter plot matrix in a real window (run under Xvfb), on the cars sample: a Ctrl+click
// on a diagonal cell makes a box there, and the other cells then show only the records
// inside it, read back from the pixels.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

#include <gtest/gtest.h>

#include "data/PreProcessedData.h"
#include "techniques/scatter/ScatterPlots.h"
#include "vis/SelectionsController.h"

namespace {
void SendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers keys)
{
    QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), button, buttons, keys);
    QApplication::sendEvent(widget, &event);
}

bool IsBlue(QRgb p) { return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80; }
bool IsRed(QRgb p) { return qRed(p) > 200 && qBlue(p) < 80 && qGreen(p) < 80; }
bool IsGreen(QRgb p) { return qGreen(p) > 200 && qRed(p) < 80 && qBlue(p) < 80; }

TEST(ScatterWindow, ABoxOnADiagonalCellLeavesOnlyItsRecordsInTheOtherCells)
{
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTextFile(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"));
    ASSERT_EQ(data.GetDimensionName(2), "Cylinders");
    TSelectionsController controller;
    controller.BindData(&data);
    TScatterPlots view;
    ASSERT_TRUE(view.SetPreProcessedData(&data));
    view.SetSelectionsController(&controller);
    view.resize(1000, 800);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(view.isValid());

    const TScatterLayout& layout = view.Layout;
    auto at = [&](float x, float y) {
        return QPoint(int(x * view.width() / view.SpaceWidth), int(view.height() - y * view.height() / view.SpaceHeight));
    };
    // Ctrl+click in the upper right of the Cylinders diagonal cell: a box over [0, 0.5].
    const TScatterRect diagonal = layout.Cell(2, 2);
    const QPoint click = at(float(diagonal.X1 - 15), float(diagonal.Y1 - 15));
    SendMouse(&view, QEvent::MouseMove, click, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    SendMouse(&view, QEvent::MouseButtonPress, click, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(&view, QEvent::MouseButtonRelease, click, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    ASSERT_EQ(controller.NumberOfSelections(), 1);
    view.Repaint();

    const QImage image = view.grabFramebuffer();
    const double scale = double(image.width()) / view.width();
    // In cell (Horsepower, Cylinders) a row of pixels at a number of cylinders: 4 is inside
    // the box (normalised 0.2), 8 outside (1.0).
    const TScatterRect cell = layout.Cell(4, 2);
    const TValueScale up = layout.CellYScale(2);
    auto countIn = [&](float cylinders, bool (*colour)(QRgb)) {
        const float v = (cylinders - data.GetLowValue(2)) / (data.GetHighValue(2) - data.GetLowValue(2));
        const int y = int(std::lround(at(0, up.ToLogical(v)).y() * scale));
        int count = 0;
        for (int x = int(at(float(cell.X0 + 5), 0).x() * scale); x < int(at(float(cell.X1 - 5), 0).x() * scale); ++x)
            if (colour(image.pixel(x, y))) ++count;
        return count;
    };
    // The records inside in the box's colour (a workspace's first brush is green).
    EXPECT_GT(countIn(4, IsGreen), 5);
    EXPECT_EQ(countIn(4, IsBlue), 0);
    EXPECT_EQ(countIn(8, IsBlue), 0);
    EXPECT_EQ(countIn(8, IsGreen), 0);
    // The focused box is red, on the diagonal of its cell.
    int red = 0;
    const QPoint from = at(float(diagonal.X0), float(diagonal.Y1)), to = at(float(diagonal.X1), float(diagonal.Y0));
    for (int y = int(from.y() * scale); y < int(to.y() * scale); ++y)
        for (int x = int(from.x() * scale); x < int(to.x() * scale); ++x) red += IsRed(image.pixel(x, y));
    EXPECT_GT(red, 20);
}
} // namespace
