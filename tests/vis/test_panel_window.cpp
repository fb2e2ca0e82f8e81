// A parallel coordinates view in a real window (run under Xvfb): opened on the cars sample
// from the workspace's combo box, brushed with the mouse; the pixels read back show only
// the brushed records.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "vis/SelectionsController.h"

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers keys)
{
    QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), button, buttons, keys);
    QApplication::sendEvent(widget, &event);
}

bool IsRed(QRgb p) { return qRed(p) > 200 && qBlue(p) < 80 && qGreen(p) < 80; }

class PanelWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Main = std::make_unique<TFormVisualizationTree>();
        Main->setWindowState(Qt::WindowNoState);
        Main->resize(1200, 900);
        Main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
        Workspace = std::make_unique<TFormVisWorkspace>(Main.get());
        ASSERT_TRUE(Workspace->LoadFromTextFile(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"));
    }
    void TearDown() override
    {
        Workspace.reset();
        Main.reset();
    }

    // Widget position of a logical point of the view.
    QPoint At(float x, float y) const
    {
        return QPoint(int(x * View->width() / View->SpaceWidth), int(View->height() - y * View->height() / View->SpaceHeight));
    }
    int LogicalY(float value) const { return int(value * View->AxisLength + TParallelCoordinates::Margin); }

    std::unique_ptr<TFormVisualizationTree> Main;
    std::unique_ptr<TFormVisWorkspace> Workspace;
    TParallelCoordinates* View = nullptr;
};

TEST_F(PanelWindowTest, OpensFromTheComboBoxAndShowsOnlyBrushedRecordsAfterACtrlClickAndADrag)
{
    auto* combo = Workspace->findChild<QComboBox*>("ComboBoxVisualizations");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    View = Workspace->findChild<TParallelCoordinates*>();
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(Workspace->ActivePageIndex(), 0);
    Workspace->ResizeTo(900, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(View));
    ASSERT_TRUE(View->isValid());
    ASSERT_GT(View->width(), 300);

    const TPreProcessedData* data = View->PreProcessedData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->GetDimensionName(2), "Cylinders");
    const float cylX = View->GetAxisX(2);

    // Ctrl+click above the top of the Cylinders axis: clamped to the axis end, a brush at
    // the greatest value (8 cylinders); then drag its lower edge down to the middle.
    const QPoint top = At(cylX, float(View->SpaceHeight - 5));
    SendMouse(View, QEvent::MouseMove, top, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    SendMouse(View, QEvent::MouseButtonPress, top, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    SendMouse(View, QEvent::MouseButtonRelease, top, Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    TSelectionsController* controller = Workspace->SelectionsController();
    ASSERT_EQ(controller->NumberOfSelections(), 1);
    const QPoint from = At(cylX, float(View->SpaceHeight - TParallelCoordinates::Margin));
    const QPoint to = At(cylX, float(LogicalY(0.5f)));
    SendMouse(View, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    for (int step = 1; step <= 4; ++step)
        SendMouse(View, QEvent::MouseMove, from + (to - from) * step / 4, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    SendMouse(View, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    TSelectioner* brush = controller->GetSelectionsList(2)->GetSelection(0);
    ASSERT_NE(brush, nullptr);
    EXPECT_FLOAT_EQ(brush->MaxNormalized(), 1.0f);
    EXPECT_NEAR(brush->MinNormalized(), 0.5f, 0.01f);

    // Records inside: 6 and 8 cylinders.
    std::set<const TPreProcessedRecord*> inside;
    for (const TPreProcessedRecord* r : *controller->ListOfItemsSatisfyingSelections()) inside.insert(r);
    ASSERT_GT(inside.size(), 50u);
    ASSERT_LT(inside.size(), std::size_t(data->RecordsNumber));

    const QImage image = View->grabFramebuffer();
    const double scale = double(image.width()) / View->width();
    // On the Miles_per_Gallon axis: rows where a brushed record ends take the brush's colour,
    // rows where only other records would end do not.
    const TOpenGLColor brushColour = *brush->Color();
    auto inBrushColour = [&](QRgb p) {
        return std::abs(qRed(p) - brushColour.C1 * 255.0f) < 60 && std::abs(qGreen(p) - brushColour.C2 * 255.0f) < 60 &&
               std::abs(qBlue(p) - brushColour.C3 * 255.0f) < 60;
    };
    const float mpgX = View->GetAxisX(1);
    auto row = [&](const TPreProcessedRecord* r) {
        return int(std::lround(At(mpgX, data->Value(1, r) * View->AxisLength + TParallelCoordinates::Margin).y() * scale));
    };
    const int column = int(At(mpgX, 0).x() * scale);
    // Lines are a device-independent pixel wide, steep ones cover a few rows at the axis.
    const int near = int(std::ceil(scale));
    auto brushColourNear = [&](int y) {
        for (int dy = -near; dy <= near; ++dy)
            for (int dx = -near; dx <= near; ++dx)
                if (y + dy >= 0 && y + dy < image.height() && inBrushColour(image.pixel(column + dx, y + dy))) return true;
        return false;
    };
    std::set<int> insideRows;
    for (const TPreProcessedRecord* r : inside) insideRows.insert(row(r));
    int checkedOutside = 0;
    for (int k = 0; k < data->RecordsNumber; ++k) {
        const TPreProcessedRecord* r = data->GetRecord(k);
        const int y = row(r);
        if (inside.count(r)) {
            EXPECT_TRUE(brushColourNear(y)) << "brushed record " << k << " missing at row " << y;
        } else {
            bool nearInside = false;
            for (int d = -8 * near; d <= 8 * near; ++d) nearInside |= insideRows.count(y + d) > 0;
            if (nearInside) continue;
            ++checkedOutside;
            EXPECT_FALSE(brushColourNear(y)) << "record " << k << " outside the brush drawn at row " << y;
        }
    }
    EXPECT_GT(checkedOutside, 20);

    // The focused brush itself is drawn in red on its axis.
    const QPoint middle = At(cylX, float(LogicalY(0.75f)));
    EXPECT_TRUE(IsRed(image.pixel(int(middle.x() * scale), int(middle.y() * scale))));
}

} // namespace

namespace {

TEST_F(PanelWindowTest, ViewsGetNumberedCaptionsTwentySheetsAndThePageShownPaints)
{
    auto* pages = Workspace->findChild<QTabWidget*>("PageControlVisualizations");
    auto* go = Workspace->findChild<QPushButton*>("ButtonGoVis");
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(go, nullptr);
    for (int i = 0; i < 21; ++i) go->click();
    const auto views = Workspace->findChildren<TParallelCoordinates*>();
    ASSERT_EQ(views.size(), 21);
    EXPECT_EQ(pages->tabText(0), "ParallelCoords1");
    EXPECT_EQ(pages->tabText(1), "ParallelCoords2");
    // The twenty-first view shares the last sheet; its caption names it.
    EXPECT_EQ(pages->tabText(19), "ParallelCoords21");
    int onLast = 0;
    for (const TParallelCoordinates* view : views) onLast += view->parentWidget() == pages->widget(19);
    EXPECT_EQ(onLast, 2);

    // Every view was handed the workspace's dataset, controller and window.
    for (TParallelCoordinates* view : views) {
        EXPECT_EQ(view->PreProcessedData(), Workspace->Data());
        EXPECT_EQ(view->GetSelectionsController(), Workspace->SelectionsController());
        EXPECT_FALSE(view->OwnsSelectionsController);
        EXPECT_EQ(view->WorkspaceWindow, Workspace.get());
        EXPECT_TRUE(view->SetPipelineViewFunction);
        EXPECT_TRUE(view->SetPruneBranchFunction);
    }
    Workspace->SetPipelineAllowed(false);
    for (const TParallelCoordinates* view : views) EXPECT_FALSE(view->PipelineAllowed);

    // Showing another page paints its view at once.
    TParallelCoordinates* third = nullptr;
    for (TParallelCoordinates* view : views)
        if (view->parentWidget() == pages->widget(2)) third = view;
    ASSERT_NE(third, nullptr);
    const long long before = third->ScreenPaints + third->OffScreenPaints;
    pages->setCurrentIndex(2);
    EXPECT_GT(third->ScreenPaints + third->OffScreenPaints, before);
    EXPECT_EQ(Workspace->ActivePageIndex(), 2);
}

} // namespace
