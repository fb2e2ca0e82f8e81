// What the star-coordinates view draws and how it answers the pointer, through the
// recording drawing: dots and their caches, drags of end points and the centre, switching
// axes, 2-D / 3-D, colours per draw mode, brushes and statistics on the axes.
#include <cmath>
#include <memory>

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <gtest/gtest.h>

#include "render/RecordingDrawing.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "techniques/star/StarCoordinates.h"
#include "tests/support/UnitScaleData.h"
#include "tests/vis/test_selections_fixtures.h"
#include "vis/SelectionsController.h"
#include "vis/UTrackBarForm.h"

namespace {
const TOpenGLColor Blue(0, 0, 1);
const TOpenGLColor Red(1, 0, 0);
const TOpenGLColor Green(0, 1, 0);

class StarFixture : public ::testing::Test {
protected:
    // Records: a 0.5, 1, 0, 0.25; b 1, 0, 0.5, 0.75.
    void SetUp() override { Open({{0.5f, 1, 0, 0.25f}, {1, 0, 0.5f, 0.75f}}); }

    void Open(const std::vector<std::vector<float>>& columns)
    {
        View.reset();
        Data = MakeUnitScaleData({}, columns, 10.0f);
        Controller = std::make_unique<TSelectionsController>();
        Controller->BindData(Data.get());
        View = std::make_unique<TStarCoordinates>();
        ASSERT_TRUE(View->SetPreProcessedData(Data.get()));
        View->SetSelectionsController(Controller.get());
        View->resize(View->SpaceWidth, View->SpaceHeight);  // a pixel is a logical unit
        View->Repaint();
    }

    // A full frame: the picture, then the overlay.
    TRecordingDrawing Paint()
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        View->Paint();
        View->PaintOverlay();
        return recording;
    }
    static std::vector<TRecordedPoint> Dots(const TRecordingDrawing& r)
    {
        std::vector<TRecordedPoint> dots;
        for (const TRecordedPoint& p : r.PointsMeaning(TMeaning::Record)) dots.push_back(p);
        return dots;
    }

    // Widget position of a scene point.
    int WX(int x) const { return x + int(View->OpenGLAreaHorizontalRange); }
    int WY(int y) const { return View->height() - (y + int(View->OpenGLAreaVerticalRange)); }
    void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        View->MouseMoveOnPanel(buttons, keys, WX(x), WY(y));
    }
    void Press(int x, int y, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        View->MouseDownOnPanel(button, button, keys, WX(x), WY(y));
    }
    void Release(int x, int y, Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton)
    {
        View->MouseUpOnPanel(button, Qt::NoButton, keys, WX(x), WY(y));
    }
    // Puts axis i's end point at (x, y) as a drag would, ending it.
    void SetEnd(int i, float x, float y)
    {
        View->StarAxesList.Item(i)->SetEndPoint(x, y, 0);
        View->StarAxesList.Touch();
    }

    float R() const { return View->AxesRadius; }

    std::unique_ptr<TPreProcessedData> Data;
    std::unique_ptr<TSelectionsController> Controller;
    std::unique_ptr<TStarCoordinates> View;
};

bool Near(const TRecordedPoint& p, float x, float y) { return std::fabs(p.V.X - x) < 1e-3f && std::fabs(p.V.Y - y) < 1e-3f; }
bool HasDotAt(const std::vector<TRecordedPoint>& dots, float x, float y)
{
    for (const auto& p : dots)
        if (Near(p, x, y)) return true;
    return false;
}
} // namespace

TEST(StarView, GeometryFollowsTheLogicalSpace)
{
    TStarCoordinates view;
    view.SpaceWidth = 1280;
    view.SpaceHeight = 1024;
    view.ComputeGeometry();
    EXPECT_FLOAT_EQ(view.AxesRadius, 379.5f);
    EXPECT_FLOAT_EQ(view.OpenGLAreaHorizontalRange, 640);
    EXPECT_FLOAT_EQ(view.OpenGLAreaVerticalRange, 512);
    EXPECT_EQ(view.GetValueAtPosition(10, 10), -1.0f);
}

TEST_F(StarFixture, ADotLiesAtTheSumOfItsAxisTermsAndMovesWhenAnAxisIsSwitchedOff)
{
    SetEnd(0, R(), 0);
    SetEnd(1, 0, R());
    auto dots = Dots(Paint());
    ASSERT_EQ(dots.size(), 4u);
    EXPECT_TRUE(HasDotAt(dots, 0.5f * R(), R()));  // record 0: a 0.5, b 1
    for (const auto& d : dots) {
        EXPECT_TRUE(TRecordingDrawing::SameColor(d.V.Color, Blue));
        EXPECT_EQ(d.State.PointSize, 6.0f);
    }

    View->StarAxesList.ToggleAxis(1);
    dots = Dots(Paint());
    EXPECT_TRUE(HasDotAt(dots, 0.5f * R(), 0));
    EXPECT_TRUE(HasDotAt(dots, R(), 0));
    const auto grey = Paint().SegmentsMeaning(TMeaning::Axis);
    int greyAxes = 0;
    for (const auto& s : grey) greyAxes += TRecordingDrawing::SameColor(s.A.Color, TOpenGLColor(0.8f, 0.8f, 0.8f));
    EXPECT_EQ(greyAxes, 1);
}

TEST_F(StarFixture, PositionsAreComputedOnceUntilTheAxesOrTheModeChange)
{
    Paint();
    const long long n = View->StarDotList.PositionComputations;
    Paint();
    Paint();
    EXPECT_EQ(View->StarDotList.PositionComputations, n);
    View->StarAxesList.ToggleAxis(0);
    Paint();
    EXPECT_EQ(View->StarDotList.PositionComputations, n + 1);
    View->Switch2D3D();
    Paint();
    EXPECT_EQ(View->StarDotList.PositionComputations, n + 2);

    // Frequencies follow the dataset's stamp.
    View->DrawModeFrequencyClick();
    Paint();
    const TChangeStamp stamp = View->StarDotList.FrequencyStamp;
    Paint();
    EXPECT_EQ(View->StarDotList.FrequencyStamp, stamp);
    Data->ComputeFrequencies();
    Paint();
    EXPECT_NE(View->StarDotList.FrequencyStamp, stamp);
    EXPECT_EQ(View->StarDotList.FrequencyStamp, Data->FrequencyValuesTimeStamp);
}

TEST_F(StarFixture, DraggingAnEndPointMovesTheAxisAtOnceAndTheDotsAtTheRelease)
{
    const float r = R();
    Move(int(r), 0);
    EXPECT_EQ(View->StarAxesList.AxisWithMouseOverEndPoint(), 0);
    Press(int(r), 0);
    EXPECT_EQ(View->DraggedAxisIndex, 0);
    const auto before = Dots(Paint());
    Move(100, 200, Qt::LeftButton);
    EXPECT_FLOAT_EQ(View->StarAxesList.Item(0)->EndPoint.X, 100);
    EXPECT_FLOAT_EQ(View->StarAxesList.Item(0)->EndPoint.Y, 200);
    auto during = Dots(Paint());
    ASSERT_EQ(during.size(), before.size());
    for (std::size_t i = 0; i < during.size(); ++i) EXPECT_TRUE(Near(during[i], before[i].V.X, before[i].V.Y));
    Release(100, 200);
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    const auto after = Dots(Paint());
    // Record 1 (a 1, b 0) lies on axis 0's new end point.
    EXPECT_TRUE(HasDotAt(after, 100, 200));
}

TEST_F(StarFixture, APressDragsWhatIsUnderItAndEveryReleaseEndsTheDrag)
{
    const float r = R();
    // Hovering an end point, then pressing on the centre without a move between: the
    // centre is dragged, not the end point.
    Move(int(r), 0);
    Press(0, 0);
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    EXPECT_TRUE(View->DraggingCenter);
    Move(30, 40, Qt::LeftButton);
    EXPECT_FLOAT_EQ(View->Center.X, 30);
    EXPECT_FLOAT_EQ(View->StarAxesList.Item(0)->EndPoint.X, float(int(r) + 30));
    Release(30, 40);
    EXPECT_FALSE(View->DraggingCenter);
    // Record 1 (a 1, b 0) lies on axis 0's end point, which moved with the centre.
    const TOpenGLVertex& e0 = View->StarAxesList.Item(0)->EndPoint;
    EXPECT_TRUE(HasDotAt(Dots(Paint()), e0.X, e0.Y));

    // Alt+release after a drag ends it and switches nothing.
    const float ex = View->StarAxesList.Item(0)->EndPoint.X;
    Move(int(ex), 40);
    Press(int(ex), 40);
    Move(int(ex) - 50, 60, Qt::LeftButton);
    Release(int(ex) - 50, 60, Qt::AltModifier);
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    EXPECT_TRUE(View->StarAxesList.Item(0)->IsActive);
    Move(0, -300);  // a later move drags nothing
    EXPECT_FLOAT_EQ(View->StarAxesList.Item(0)->EndPoint.X, float(int(ex) - 50));

    // A right press ends a drag too, and so does a switch to 3-D.
    Move(int(ex) - 50, 60);
    Press(int(ex) - 50, 60);
    EXPECT_EQ(View->DraggedAxisIndex, 0);
    Press(int(ex) - 50, 60, Qt::RightButton);
    View->ViewPopupMenu->hide();
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    Press(int(ex) - 50, 60);
    View->Switch2D3D();
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    EXPECT_FALSE(View->DraggingCenter);
    // A press in 3-D starts nothing; back in 2-D nothing is dragged.
    Press(0, 0);
    View->Switch2D3D();
    const float x0 = View->StarAxesList.Item(0)->EndPoint.X;
    Move(10, 10, Qt::LeftButton);
    EXPECT_FALSE(View->DraggingCenter);
    EXPECT_FLOAT_EQ(View->StarAxesList.Item(0)->EndPoint.X, x0);
}

TEST_F(StarFixture, AltReleaseWithoutADragSwitchesTheAxisUnderThePointer)
{
    Move(200, 2);
    Press(200, 2, Qt::LeftButton, Qt::AltModifier);
    Release(200, 2, Qt::AltModifier);
    EXPECT_FALSE(View->StarAxesList.Item(0)->IsActive);
    Release(200, 2, Qt::AltModifier);
    EXPECT_TRUE(View->StarAxesList.Item(0)->IsActive);
    // Away from every axis an Alt+release switches nothing: it acts on the line it is on.
    Release(150, 150, Qt::AltModifier);
    EXPECT_TRUE(View->StarAxesList.Item(0)->IsActive);
    EXPECT_TRUE(View->StarAxesList.Item(1)->IsActive);

    // The popup menu switches the last axis found under the pointer, and only that.
    Press(200, 2, Qt::RightButton);
    View->ViewPopupMenu->hide();
    EXPECT_TRUE(View->ToggleAxisItem->isEnabled());
    View->ToggleAxisItem->trigger();
    EXPECT_FALSE(View->StarAxesList.Item(0)->IsActive);
    Press(150, 150, Qt::RightButton);
    View->ViewPopupMenu->hide();
    EXPECT_TRUE(View->ToggleAxisItem->isEnabled());
    EXPECT_EQ(View->DimensionUnderMouse, 0);
    View->ToggleAxisItem->trigger();
    EXPECT_TRUE(View->StarAxesList.Item(0)->IsActive);
}

// The axis the commands act on is the last one the pointer found: moving off its line, or
// turning the 3-D scene under a still pointer, keeps it until another axis is found.
TEST_F(StarFixture, TheLastAxisFoundStaysTheOneTheCommandsActOn)
{
    EXPECT_EQ(View->DimensionUnderMouse, -1);
    Move(150, 150);
    EXPECT_EQ(View->DimensionUnderMouse, -1);  // none found yet
    Move(200, 2);
    EXPECT_EQ(View->DimensionUnderMouse, 0);
    Move(150, 150);
    EXPECT_EQ(View->DimensionUnderMouse, 0);
    Move(-200, 2);
    EXPECT_EQ(View->DimensionUnderMouse, 1);
    Press(100, -300, Qt::RightButton);
    View->ViewPopupMenu->hide();
    EXPECT_EQ(View->DimensionUnderMouse, 1);
    EXPECT_EQ(View->MenuAxis, 1);
    View->AverageThisDimensionClick();
    EXPECT_TRUE(View->StatisticsList->GetStatistics(1)->ShowAverage);
    EXPECT_FALSE(View->StatisticsList->GetStatistics(0)->ShowAverage);

    View->Switch2D3D();
    for (int step = 0; step < 20; ++step) Move(600, 480);  // turns the scene, beyond every axis
    EXPECT_EQ(View->DimensionUnderMouse, 1);
}

// Dots that the star's sums carry beyond the view are brought in by one factor for the
// whole star, at the start and after a switch of 2-D / 3-D; the axes keep their directions.
TEST_F(StarFixture, TheWholeStarShrinksSoThatEveryDotFitsTheView)
{
    // Six axes; records high on neighbouring axes sum to 1.7 and more axis lengths.
    std::vector<std::vector<float>> columns(6);
    const std::vector<std::vector<float>> records = {{1, 1, 0, 0, 0, 0}, {0, 1, 1, 1, 0, 0}, {0, 0, 0, 1, 1, 0},
                                                     {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, {0, 0, 0, 0, 0, 0}};
    for (const auto& record : records)
        for (int d = 0; d < 6; ++d) columns[std::size_t(d)].push_back(record[std::size_t(d)]);
    Open(columns);
    const float h = View->OpenGLAreaHorizontalRange, v = View->OpenGLAreaVerticalRange;
    auto expectFitted = [&](bool mode3D) {
        const std::vector<TRecordedPoint> dots = Dots(Paint());
        ASSERT_EQ(dots.size(), records.size());
        float reach = 0;
        for (const auto& p : dots) {
            EXPECT_LE(std::fabs(p.V.X), h * TStarCoordinates::FitShare + 1e-2f);
            EXPECT_LE(std::fabs(p.V.Y), v * TStarCoordinates::FitShare + 1e-2f);
            if (mode3D) EXPECT_LE(std::hypot(p.V.X, p.V.Y, p.V.Z), std::min(h, v) * TStarCoordinates::FitShare + 1e-2f);
            reach = std::max(reach, mode3D ? std::hypot(p.V.X, p.V.Y, p.V.Z) : std::max(std::fabs(p.V.X / h), std::fabs(p.V.Y / v)));
        }
        // Shrunk no more than needed: the farthest dot touches the margin.
        if (mode3D)
            EXPECT_NEAR(reach, std::min(h, v) * TStarCoordinates::FitShare, 1.0f);
        else
            EXPECT_NEAR(reach, TStarCoordinates::FitShare, 1e-3f);
        // One factor for every axis, and each axis in the direction it is placed in.
        const float step = 2.0f * 3.14159265f / 6.0f;
        float factor = 0;
        for (int i = 0; i < 6; ++i) {
            const TStarAxis* axis = View->StarAxesList.Item(i);
            const float t = step * float(i);
            const float ex = mode3D ? std::sin(t) * std::cos(t) : std::cos(t), ey = std::sin(t), ez = mode3D ? std::cos(t) : 0;
            const float norm = std::hypot(ex, ey, ez);
            const float placed = View->AxesRadius * norm;  // the length the axis is placed with
            if (i == 0) factor = axis->SizeOfAxis / placed;
            EXPECT_LT(factor, 1.0f);
            EXPECT_NEAR(axis->SizeOfAxis / placed, factor, 1e-4f) << i;
            EXPECT_NEAR(axis->UnitaryVector.V1, ex / norm, 1e-4f) << i;
            EXPECT_NEAR(axis->UnitaryVector.V2, ey / norm, 1e-4f) << i;
            EXPECT_NEAR(axis->UnitaryVector.V3, ez / norm, 1e-4f) << i;
        }
    };
    expectFitted(false);
    View->Switch2D3D();
    expectFitted(true);
    View->Switch2D3D();
    expectFitted(false);
}

TEST_F(StarFixture, DotsThatFitAlreadyLeaveTheStarAsPlaced)
{
    for (int i = 0; i < View->StarAxesList.Count(); ++i)
        EXPECT_FLOAT_EQ(View->StarAxesList.Item(i)->SizeOfAxis, View->AxesRadius) << i;
}

TEST_F(StarFixture, AnEndPointDroppedOnTheCentreLeavesNoNotANumber)
{
    Move(int(R()), 0);
    Press(int(R()), 0);
    Move(0, 0, Qt::LeftButton);
    Release(0, 0);
    EXPECT_EQ(View->StarAxesList.Item(0)->SizeOfAxis, 0.0f);
    for (bool mode3D : {false, true}) {
        if (mode3D) View->Switch2D3D();
        const TRecordingDrawing r = Paint();
        for (const auto& p : r.Points()) {
            EXPECT_TRUE(std::isfinite(p.V.X) && std::isfinite(p.V.Y) && std::isfinite(p.V.Z));
        }
        for (const auto& s : r.LineSegments()) EXPECT_TRUE(std::isfinite(s.A.X) && std::isfinite(s.B.Y));
    }
}

TEST_F(StarFixture, PointerWorkLeavesFrequenciesAndSelectionWeightsAlone)
{
    TSelectionsList* list = Controller->GetSelectionsList(0);
    AddSelection(*list, Data.get(), 0.4f, 1.0f);
    Controller->ComputeItemsSatisfyingSelections();
    Paint();
    const TChangeStamp stamp = Data->FrequencyValuesTimeStamp;
    const std::vector<float> weights = Data->GetDimension(1)->Weights;
    // A click and a drag on an axis line, on an end point and on the centre.
    for (int x : {200, int(R()), 0}) {
        Move(x, 0);
        Press(x, 0);
        Move(x + 5, 20, Qt::LeftButton);
        Release(x + 5, 20);
        Press(x + 5, 20, Qt::LeftButton, Qt::ControlModifier);
        Release(x + 5, 20, Qt::ControlModifier);
    }
    EXPECT_EQ(Data->FrequencyValuesTimeStamp, stamp);
    EXPECT_EQ(Data->GetDimension(1)->Weights, weights);
    EXPECT_EQ(Controller->NumberOfSelections(), 1);
    EXPECT_EQ(Controller->GetFocusedSelectionList(0, 0), -1);
}

TEST_F(StarFixture, SelectedRecordsAreDrawnInTheirColourAndEveryRecordInBlueAfterRemoveAll)
{
    SetEnd(0, R(), 0);
    SetEnd(1, 0, R());
    TSelectionsList* list = Controller->GetSelectionsList(0);
    TSelectioner* s = AddSelection(*list, Data.get(), 0.4f, 1.0f);  // records 0 and 1
    s->Color()->SetColor(0, 1, 0);
    Controller->ComputeItemsSatisfyingSelections();
    TRecordingDrawing r = Paint();
    auto dots = Dots(r);
    ASSERT_EQ(dots.size(), 2u);
    for (const auto& d : dots) EXPECT_TRUE(TRecordingDrawing::SameColor(d.V.Color, Green));
    EXPECT_TRUE(HasDotAt(dots, 0.5f * R(), R()));
    EXPECT_TRUE(HasDotAt(dots, R(), 0));
    EXPECT_LE(View->StarDotList.BytesPerRecord(), 24.0);  // only the drawn dots are kept
    // The brush runs along axis 0 from its upper to its lower bound, 6 wide.
    const auto brush = r.SegmentsMeaning(TMeaning::Brush);
    ASSERT_EQ(brush.size(), 1u);
    EXPECT_NEAR(brush[0].A.X, R(), 1e-3);
    EXPECT_NEAR(brush[0].B.X, 0.4f * R(), 1e-3);
    EXPECT_EQ(brush[0].State.LineWidth, 6.0f);

    View->RemoveAllSelectionsClick();
    dots = Dots(Paint());
    ASSERT_EQ(dots.size(), 4u);
    for (const auto& d : dots) EXPECT_TRUE(TRecordingDrawing::SameColor(d.V.Color, Blue));
}

TEST_F(StarFixture, In3DColoursReachTheLitPointsAndFarDotsLieInsideTheDepthRange)
{
    // Value 1 on three neighbouring axes of eight: in 3-D the dot lies 2.4 R from the centre.
    Open({{1, 0}, {1, 0}, {0, 0.5f}, {0, 0.5f}, {0, 0.5f}, {0, 0.5f}, {0, 0.5f}, {1, 0}});
    View->Switch2D3D();
    View->DrawModeFrequencyClick();
    TRecordingDrawing r = Paint();
    EXPECT_TRUE(r.IsEnabled(TCapability::Lighting));
    EXPECT_TRUE(r.IsEnabled(TCapability::ColorMaterial));
    EXPECT_GE(r.CountCalls("ColorMaterial(FrontAndBack,AmbientAndDiffuse"), 1);
    auto dots = Dots(r);
    ASSERT_EQ(dots.size(), 2u);
    // Frequency colours per dot, not one blue material.
    for (int i = 0; i < 2; ++i) {
        const TOpenGLColor expected = HueColor(1, 1 - 0.5f * View->StarDotList.Dot(i).DotFrequency(), 0);
        EXPECT_TRUE(TRecordingDrawing::SameColor(dots[i].V.Color, expected)) << i;
        EXPECT_FALSE(TRecordingDrawing::SameColor(dots[i].V.Color, Blue));
    }

    // The switch fitted the star into the view; stretched again to three times that, the
    // dots lie far out and still inside the depth range.
    float farthest = 0;
    for (const auto& d : dots) farthest = std::max(farthest, std::hypot(d.V.X, d.V.Y, d.V.Z));
    EXPECT_LE(farthest, std::min(View->OpenGLAreaHorizontalRange, View->OpenGLAreaVerticalRange) *
                            TStarCoordinates::FitShare + 0.01f);
    EXPECT_GE(View->DepthRange(), farthest);
    View->StarAxesList.ScaleAbout(3.0f);
    View->StarDotList.InvalidateCaches();
    farthest = 0;
    for (const auto& d : Dots(Paint())) farthest = std::max(farthest, std::hypot(d.V.X, d.V.Y, d.V.Z));
    EXPECT_GT(farthest, 2 * R());
    EXPECT_GE(View->DepthRange(), farthest);

    // Selection colours too.
    View->DrawModeNormalClick();
    TSelectioner* s = AddSelection(*Controller->GetSelectionsList(0), Data.get(), 0.5f, 1.0f);
    s->Color()->SetColor(1, 0, 0);
    Controller->ComputeItemsSatisfyingSelections();
    dots = Dots(Paint());
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_TRUE(TRecordingDrawing::SameColor(dots[0].V.Color, Red));
}

TEST_F(StarFixture, NegativeRelevanceCountsAsNoRelevance)
{
    View->DrawModeRelevanceClick();
    // A relevance point on a: record 2 (a 0) lies far from 1, record 1 on it.
    Data->SetRelevancePoint(0, 1.0f);
    const auto dots = Dots(Paint());
    ASSERT_EQ(dots.size(), 4u);
    const TStarDot far = View->StarDotList.Dot(2);
    const TOpenGLColor none = RelevanceColor(0.0f, far.DotFrequency());
    const TOpenGLColor full = RelevanceColor(RelevanceStrength(View->StarDotList.Dot(1).DotRelevance()),
                                             View->StarDotList.Dot(1).DotFrequency());
    EXPECT_LE(far.DotRelevance(), 0.0f);
    bool sawNone = false, sawFull = false;
    for (const auto& d : dots) {
        sawNone |= TRecordingDrawing::SameColor(d.V.Color, none);
        sawFull |= TRecordingDrawing::SameColor(d.V.Color, full);
    }
    EXPECT_TRUE(sawNone);
    EXPECT_TRUE(sawFull);
    EXPECT_FALSE(TRecordingDrawing::SameColor(none, full));
}

TEST_F(StarFixture, ThePointSizeTrackerSetsWholePixelsFromTheDotsSize)
{
    View->ShowPointSizeTracker();
    QSlider* bar = View->PointSizeTracker->TrackBarToSet;
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 9);
    EXPECT_EQ(bar->value(), 6);
    EXPECT_EQ(View->StarDotList.GetPointSize(), 6.0f);
    bar->setValue(2);
    EXPECT_EQ(Dots(Paint()).front().State.PointSize, 2.0f);
    bar->setValue(6);
    EXPECT_EQ(Dots(Paint()).front().State.PointSize, 6.0f);
    View->PointSizeTracker->hide();
}

TEST_F(StarFixture, StatisticsArePointsOnTheActiveAxesAndLoopsThroughThem)
{
    SetEnd(0, R(), 0);
    SetEnd(1, 0, R());
    View->AverageAllClick();
    TRecordingDrawing r = Paint();
    const auto marks = r.PointsMeaning(TMeaning::Statistic);
    const float a0 = Data->GetDimension(0)->Values[0] * 0 + (0.5f + 1 + 0 + 0.25f) / 4;
    bool onAxis0 = false;
    for (const auto& p : marks) onAxis0 |= Near(p, a0 * R(), 0) && TRecordingDrawing::SameColor(p.V.Color, Green);
    EXPECT_TRUE(onAxis0);
    const auto loop = r.SegmentsMeaning(TMeaning::Statistic);
    ASSERT_FALSE(loop.empty());
    EXPECT_EQ(loop.front().State.LineWidth, 5.0f);

    View->StarAxesList.ToggleAxis(0);
    r = Paint();
    for (const auto& p : r.PointsMeaning(TMeaning::Statistic)) EXPECT_FALSE(Near(p, a0 * R(), 0));
}

TEST_F(StarFixture, ANewDatasetForgetsThePointerStateAndSortedRecordsKeepTheirDots)
{
    Move(int(R()), 0);
    Press(int(R()), 0);
    Move(10, 10, Qt::LeftButton);
    auto other = MakeUnitScaleData({}, {{0.2f, 0.4f, 0.6f}, {1, 0.5f, 0}, {0, 0, 1}}, 10.0f);
    ASSERT_TRUE(View->SetPreProcessedData(other.get()));
    EXPECT_EQ(View->DraggedAxisIndex, -1);
    EXPECT_EQ(View->StarAxesList.AxisUnderMouse, -1);
    EXPECT_EQ(View->StarAxesList.Count(), 3);
    Move(300, 300, Qt::LeftButton);  // nothing is dragged
    EXPECT_NEAR(View->StarAxesList.Item(0)->EndPoint.X, R(), 1e-3);

    const auto before = Dots(Paint());
    std::reverse(other->ListOfPreprocessedRecords.begin(), other->ListOfPreprocessedRecords.end());
    const auto after = Dots(Paint());
    ASSERT_EQ(after.size(), 3u);
    for (const auto& d : before) EXPECT_TRUE(HasDotAt(after, d.V.X, d.V.Y));
    View.reset();
}

TEST(StarViewEdges, NoRecordsOneDimensionAndNoDimensionsPaintWithoutFault)
{
    for (const auto& columns : std::vector<std::vector<std::vector<float>>>{{{}, {}}, {{0.3f, 0.9f}}, {}}) {
        auto data = MakeUnitScaleData({}, columns);
        TStarCoordinates view;
        ASSERT_TRUE(view.SetPreProcessedData(data.get()));
        view.resize(view.SpaceWidth, view.SpaceHeight);
        for (bool mode3D : {false, true}) {
            view.SetMode3D(mode3D);
            TRecordingDrawing r;
            {
                TCurrentDrawing current(r);
                view.Paint();
                view.PaintOverlay();
            }
            for (const auto& p : r.Points()) EXPECT_TRUE(std::isfinite(p.V.X) && std::isfinite(p.V.Y));
            view.MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, 10, 10);
            view.MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, 10, 10);
            view.MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::AltModifier, 10, 10);
        }
        if (data->NumberOfDimensions() == 1) {
            TRecordingDrawing r;
            TCurrentDrawing current(r);
            view.SetMode3D(false);
            view.Paint();
            EXPECT_EQ(r.PointsMeaning(TMeaning::Record).size(), 2u);
        }
    }
}

TEST_F(StarFixture, OnlyRecordsOfTheTimeWindowAreDrawn)
{
    SetEnd(0, R(), 0);
    SetEnd(1, 0, R());
    Data->TimeDiscreteRange = 2;
    Data->SetTimeMoment(2);  // records 2 and 3
    auto dots = Dots(Paint());
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_TRUE(HasDotAt(dots, 0, 0.5f * R()));          // record 2: a 0, b 0.5
    EXPECT_TRUE(HasDotAt(dots, 0.25f * R(), 0.75f * R()));  // record 3

    // A brush over records 0 and 1: none of them is in the window.
    AddSelection(*Controller->GetSelectionsList(0), Data.get(), 0.4f, 1.0f);
    Controller->ComputeItemsSatisfyingSelections();
    EXPECT_TRUE(Dots(Paint()).empty());
    Data->SetAllRecordsDrawn(true);
    EXPECT_EQ(Dots(Paint()).size(), 2u);
    View->RemoveAllSelectionsClick();
    EXPECT_EQ(Dots(Paint()).size(), 4u);
}

TEST_F(StarFixture, ItsPointerAndMenuActOnTheSharedControllerAsThisViewEvenWhenAnotherViewPaintedLast)
{
    TParallelCoordinates parallel;
    ASSERT_TRUE(parallel.SetPreProcessedData(Data.get()));
    parallel.SetSelectionsController(Controller.get());
    parallel.Repaint();  // the controller now calls back into the parallel view
    Press(200, 2, Qt::RightButton);
    View->ViewPopupMenu->hide();
    ASSERT_EQ(View->DimensionUnderMouse, 0);
    View->NewSelectionClick();  // selections are made in the other views, not here
    EXPECT_EQ(Controller->NumberOfSelections(), 0);
    parallel.Repaint();
    Move(200, 2);
    Press(200, 2, Qt::LeftButton, Qt::ControlModifier);
    Release(200, 2, Qt::ControlModifier);
    EXPECT_EQ(Controller->NumberOfSelections(), 0);
    EXPECT_EQ(Controller->GetFocusedSelectionList(0, 0), -1);
}
