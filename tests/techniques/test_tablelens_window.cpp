// A table lens in a real window (run under Xvfb) on the cars sample: the wheel scrolls the
// rows under pinned headers, the pointer hovers a row, and the pixels read back show the
// highlighted row and its value labels.
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "techniques/tablelens/TableLens.h"
#include "vis/SelectionsController.h"

namespace {

bool IsBlack(QRgb p) { return qRed(p) < 60 && qGreen(p) < 60 && qBlue(p) < 60; }
bool IsGreen(QRgb p) { return qGreen(p) > 200 && qRed(p) < 80 && qBlue(p) < 80; }
bool IsWhite(QRgb p) { return qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240; }

TEST(TableLensWindow, WheelScrollsUnderPinnedHeadersAndTheHoveredRowShowsItsValues)
{
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTextFile(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"));
    TSelectionsController controller;
    controller.BindData(&data);
    TTableLens view;
    view.resize(900, 600);
    ASSERT_TRUE(view.SetPreProcessedData(&data));
    view.SetSelectionsController(&controller);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ASSERT_TRUE(view.VerticalScrollBar()->isVisible());

    const QPoint pointer(view.DrawWidth() / 2, 300);
    QWheelEvent wheel(QPointF(pointer), view.mapToGlobal(QPointF(pointer)), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(view.Scroll(), 2 * 3 * 15);
    EXPECT_EQ(view.VerticalScrollBar()->value(), 90);

    QMouseEvent move(QEvent::MouseMove, QPointF(pointer), view.mapToGlobal(QPointF(pointer)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    const std::int64_t row = view.TableLensRecordList.HoveredRow;
    const TTableLensRowLayout& layout = view.RowLayout();
    ASSERT_EQ(row, layout.RowAt(view.height() - pointer.y()));
    EXPECT_EQ(row, (90 + (600 - 32 - 300)) / 15);

    const QImage image = view.grabFramebuffer();
    if (const char* out = std::getenv("LUMETRA_TABLELENS_SHOT")) image.save(out);
    const double scale = double(image.width()) / view.width();
    auto pixel = [&](float logicalX, float logicalY) {
        const double x = logicalX * view.DrawWidth() / view.SpaceWidth;
        const double y = view.height() - logicalY;
        return image.pixel(int(x * scale), int(y * scale));
    };
    const TTableLensColumn& first = view.TableLensColumnsList.Column(0);
    const float rowMiddle = float(layout.PosY(row)) + 7.5f;
    // The hovered row's bar is black; the row above it is not.
    EXPECT_TRUE(IsBlack(pixel(first.BarStart() + 2, rowMiddle)));
    EXPECT_FALSE(IsBlack(pixel(first.BarStart() + 2, rowMiddle + 15)));
    // Its value labels: a green outline one row above it, white inside, with dark text.
    const float boxLow = float(layout.PosY(row)) + 30 + 3;
    EXPECT_TRUE(IsGreen(pixel(first.PosX0 + 1, boxLow + 8)));
    int dark = 0, white = 0;
    for (float x = first.PosX0 + 4; x < first.PosX1 - 4; x += 0.5f)
        for (float y = boxLow + 2; y < boxLow + 15; y += 1) {
            const QRgb p = pixel(x, y);
            dark += IsBlack(p) || (qRed(p) > 200 && qGreen(p) < 80);
            white += IsWhite(p);
        }
    EXPECT_GT(dark, 5);
    EXPECT_GT(white, dark);
    // The headers stay at the top: the first column's name is dark on white there, and no
    // bar shows between the headers and the rows.
    int nameDark = 0;
    for (float x = first.PosX0 + 2; x < first.PosX1 - 2; x += 0.5f)
        for (float y = float(view.SpaceHeight - 25); y < float(view.SpaceHeight - 8); y += 1) nameDark += IsBlack(pixel(x, y));
    EXPECT_GT(nameDark, 5);
    EXPECT_TRUE(IsWhite(pixel(first.BarStart() + 2, float(view.SpaceHeight - 31) + 0.5f)) ||
                !IsBlack(pixel(first.BarStart() + 2, float(view.SpaceHeight - 31) + 0.5f)));
}

TEST(TableLensWindow, OpensFromTheWorkspaceOnItsOwnTabWithAScrollBar)
{
    TFormVisualizationTree main;
    main.resize(1200, 900);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    TFormVisWorkspace workspace(&main);
    ASSERT_TRUE(workspace.LoadFromTextFile(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"));
    auto* combo = workspace.findChild<QComboBox*>("ComboBoxVisualizations");
    ASSERT_NE(combo, nullptr);
    const int item = combo->findText("Table Lens");
    ASSERT_GE(item, 0);
    combo->setCurrentIndex(item);
    emit combo->activated(item);
    auto* view = workspace.findChild<TTableLens*>();
    ASSERT_NE(view, nullptr);
    auto* pages = workspace.findChild<QTabWidget*>("PageControlVisualizations");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabText(0), "TableLens1");
    workspace.ResizeTo(900, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    EXPECT_EQ(view->PreProcessedData(), workspace.Data());
    EXPECT_EQ(view->GetSelectionsController(), workspace.SelectionsController());
    // 392 rows do not fit the tab: the panel is the tab's size and scrolls.
    EXPECT_LE(view->height(), 600);
    EXPECT_EQ(view->SpaceHeight, view->height());
    EXPECT_TRUE(view->VerticalScrollBar()->isVisible());
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(view, &end);
    EXPECT_EQ(view->Scroll(), view->RowLayout().MaxScroll());
    EXPECT_EQ(view->RowLayout().LastVisible(), 392);
}

} // namespace
