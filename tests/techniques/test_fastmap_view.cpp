// The FastMap view through the recording drawing: camera, lighting and materials, points
// per draw mode and filter, picking names, drags, centring, and what it leaves alone in the
// other views of its workspace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <random>

#include "ParallelFixture.h"
#include "techniques/fastmap/FastmapProjection.h"

namespace {

// ---- the camera as plain numbers --------------------------------------------------------

TEST(FastmapCamera, TheWorkedExampleLooksFromTwiceTheSceneSize)
{
    const TSceneBounds bounds{-3, 2, -1, 4, 0, 0.5f};
    TFastmapCamera camera;
    camera.SceneSize = SceneSizeOf(bounds);
    EXPECT_EQ(camera.SceneSize, 4.0f);
    const TLookAt look = camera.LookAt();
    EXPECT_EQ(look.EyeZ, 8.0);
    EXPECT_EQ(look.EyeX, 0.0);
    EXPECT_EQ(look.CenterZ, 0.0);
    // The far plane holds every corner of the scene at every scale, the near plane is positive.
    for (const float scale : {0.1f, 1.0f, 3.0f, 10.0f}) {
        camera.Scale = scale;
        const TPerspective p = camera.Perspective(400, 300);
        EXPECT_GT(p.Near, 0.0);
        EXPECT_LT(p.Near, p.Far);
        EXPECT_NEAR(p.Aspect, 4.0 / 3.0, 1e-12);
        const double corner = std::sqrt(3.0) * 4.0 * scale;
        EXPECT_GE(p.Far, 8.0 + corner) << "scale " << scale;
        if (8.0 - corner > 0) {
            EXPECT_LE(p.Near, 8.0 - corner) << "scale " << scale;
        }
    }
}

TEST(FastmapCamera, SceneSizeIs500ForAPointAtTheOriginAndForBoundsThatAreNotNumbers)
{
    EXPECT_EQ(SceneSizeOf({0, 0, 0, 0, 0, 0}), 500.0f);
    EXPECT_EQ(SceneSizeOf({NAN, NAN, -INFINITY, INFINITY, 0, 0}), 500.0f);
    EXPECT_EQ(SceneSizeOf({-7, 1, NAN, 2, 0, 0}), 7.0f);
}

TEST(FastmapCamera, AxisCirclesEndForEverySceneSize)
{
    EXPECT_TRUE(AxisCircle(0).empty());
    EXPECT_TRUE(AxisCircle(NAN).empty());
    EXPECT_TRUE(AxisCircle(INFINITY).empty());
    for (const float r : {0.001f, 1.0f, 4.0f, 1e4f, 1e30f}) {
        const auto points = AxisCircle(r);
        EXPECT_GE(points.size(), 2 * 63u) << r;
        EXPECT_LE(points.size(), 2 * 630u + 4) << r;
        EXPECT_NEAR(points.front(), r, r * 1e-6);  // starts at angle 0
    }
}

// ---- the view ----------------------------------------------------------------------------

class FastmapView : public ParallelFixture {
protected:
    void SetUp() override
    {
        ParallelFixture::SetUp();
        OpenFastmap();
    }
    void OpenFastmap()
    {
        Fastmap = std::make_unique<TFastmapProjection>();
        ASSERT_TRUE(Fastmap->SetPreProcessedData(Data.get()));
        Fastmap->SetSelectionsController(Controller.get());
        Fastmap->resize(400, 300);
        Fastmap->Repaint();
    }
    TRecordingDrawing PaintFastmap()
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        Fastmap->Paint();
        Fastmap->PaintOverlay();  // as every full frame does
        return recording;
    }
    // The records whose points the recording shows under TMeaning::Record, with their colours.
    std::map<int, TOpenGLColor> DrawnRecords(const TRecordingDrawing& recording) const
    {
        std::map<int, TOpenGLColor> drawn;
        const bool flat = !Fastmap->Mode3D();
        for (const TRecordedPoint& p : recording.PointsMeaning(TMeaning::Record))
            for (int i = 0; i < Fastmap->PointList->Count(); ++i) {
                const float* q = Fastmap->PointList->Position(i);
                if (p.V.X == q[0] && p.V.Y == q[1] && p.V.Z == (flat ? 0.0f : q[2])) drawn[i] = p.V.Color;
            }
        return drawn;
    }
    static std::set<int> Keys(const std::map<int, TOpenGLColor>& m)
    {
        std::set<int> keys;
        for (const auto& [k, v] : m) keys.insert(k);
        return keys;
    }
    void Drag(std::vector<QPoint> path, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Fastmap->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, keys, path.front().x(), path.front().y());
        for (std::size_t i = 1; i < path.size(); ++i)
            Fastmap->MouseMoveOnPanel(Qt::LeftButton, keys, path[i].x(), path[i].y());
        Fastmap->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, keys, path.back().x(), path.back().y());
    }

    std::unique_ptr<TFastmapProjection> Fastmap;
};

TEST_F(FastmapView, ProjectsWhenGivenDataWithRecordZeroAtTheOriginAndEveryPointDistinct)
{
    ASSERT_TRUE(Fastmap->PointList->Projected);
    const float* zero = Fastmap->PointList->Position(0);
    EXPECT_EQ(zero[0], 0.0f);
    EXPECT_EQ(zero[1], 0.0f);
    EXPECT_EQ(zero[2], 0.0f);
    // Distances between points follow the records' distances (the data lie in 3-D).
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b) {
            double exact = 0, mapped = 0;
            for (int d = 0; d < 3; ++d) {
                exact += std::pow(Data->GetDimension(d)->Values[a] - Data->GetDimension(d)->Values[b], 2);
                mapped += std::pow(Fastmap->PointList->Position(a)[d] - Fastmap->PointList->Position(b)[d], 2);
            }
            EXPECT_NEAR(std::sqrt(mapped), std::sqrt(exact), 1e-5);
        }
    EXPECT_GT(Fastmap->SceneSize(), 0.0f);
    EXPECT_EQ(Keys(DrawnRecords(PaintFastmap())), (std::set<int>{0, 1, 2, 3}));
}

TEST_F(FastmapView, PaintsTheCameraLightAndAxesOfTheWorkedExample)
{
    Fastmap->SetSceneBounds({-3, 2, -1, 4, 0, 0.5f});
    Fastmap->ResetSystem();
    const TRecordingDrawing recording = PaintFastmap();
    EXPECT_EQ(recording.CountCalls("LookAt(0,0,8,0,0,0,0,1,0)"), 1);
    EXPECT_EQ(recording.CountCalls("Rotate(10,0,1,0)"), 1);
    EXPECT_EQ(recording.CountCalls("Rotate(10,1,0,0)"), 1);
    EXPECT_EQ(recording.CountCalls("Enable(Lighting)"), 2);  // the paint's, and again after the axes
    EXPECT_EQ(recording.CountCalls("LightPosition(0,0,-8,1)"), 1);
    EXPECT_EQ(recording.CountCalls("Enable(DepthTest)"), 1);
    // Three circles of radius 4 and three axes of length 4 with their letters, in black.
    const auto axes = recording.SegmentsMeaning(TMeaning::Axis);
    ASSERT_FALSE(axes.empty());
    for (const auto& s : axes) EXPECT_TRUE(TRecordingDrawing::SameColor(s.A.Color, TOpenGLColor(0, 0, 0)));
    for (const char* letter : {"X", "Y", "Z"}) EXPECT_TRUE(recording.HasText(letter));
    EXPECT_EQ(recording.PrimitivesMeaning(TMeaning::Axis).size(), 4u);
    EXPECT_EQ(recording.CountCalls("LoadName("), 1);  // the axes' name (-1), which no point has
    EXPECT_TRUE(recording.AllFinite());
}

TEST_F(FastmapView, PointsTakeTheColourOfEveryDrawModeWithColourMaterialIn3DAndNoLightingIn2D)
{
    Fastmap->PointList->RefreshFrequencies();
    Fastmap->PointList->RefreshRelevances();
    struct TCase {
        ENUM_drawModes Mode;
        std::function<TOpenGLColor(int)> Expected;
    };
    TFastmapPointList& points = *Fastmap->PointList;
    const std::vector<TCase> cases = {
        {drawmodeNormal, [](int) { return TOpenGLColor(0, 0, 1); }},
        {drawmodeFreq, [&](int i) { return TFastmapPoint::FrequencyColor(points.Frequency(i)); }},
        {drawmodeRelev, [&](int i) { return TFastmapPoint::RelevanceColor(points.Relevance(i), points.Frequency(i)); }},
    };
    for (const bool mode3D : {true, false}) {
        if (Fastmap->Mode3D() != mode3D) Fastmap->Mode3DClick();
        for (const TCase& c : cases) {
            Fastmap->SetDrawMode(c.Mode);
            const TRecordingDrawing recording = PaintFastmap();
            const auto drawn = DrawnRecords(recording);
            ASSERT_EQ(drawn.size(), 4u) << "mode " << int(c.Mode) << " 3D " << mode3D;
            for (const auto& [i, color] : drawn)
                EXPECT_TRUE(TRecordingDrawing::SameColor(color, c.Expected(i))) << "mode " << int(c.Mode) << " point " << i;
            EXPECT_EQ(recording.CountCalls("Enable(ColorMaterial)"), mode3D ? 1 : 0);
            EXPECT_EQ(recording.CountCalls("ColorMaterial(FrontAndBack,AmbientAndDiffuse)") > 0, mode3D);
            EXPECT_EQ(recording.CountCalls("Enable(Lighting)") > 0, mode3D);
            EXPECT_EQ(recording.PrimitivesMeaning(TMeaning::Record).size(), 1u);  // one array for the cloud
        }
    }
}

TEST(FastmapPointColour, RelevanceReadsAsInEveryOtherViewWithinZeroAndOne)
{
    // A record far from every relevance point has a negative coefficient: it must look like
    // no relevance at all, never like an exact match (the colour squares the strength).
    struct TCase {
        float Relevance;
        float Strength;
    };
    const TCase cases[] = {{-0.5f, 0.0f}, {-1.0f, 0.0f}, {-7.0f, 0.0f}, {NAN, 0.0f},
                           {0.0f, 0.0f},  {0.25f, 0.25f}, {1.0f, 1.0f}, {3.0f, 1.0f}};
    for (const TCase& c : cases)
        for (const float frequency : {0.0f, 0.5f, 1.0f})
            EXPECT_TRUE(TRecordingDrawing::SameColor(TFastmapPoint::RelevanceColor(c.Relevance, frequency),
                                                     RelevanceColor(c.Strength, frequency)))
                << "relevance " << c.Relevance << " frequency " << frequency;
}

TEST_F(FastmapView, DrawsOnlySatisfyingRecordsInsideTheTimeWindowInTheirBrushColours)
{
    Brush(0, 0.4f, 1.0f);  // alpha in [0.4, 1]: records 1 and 2
    View->Repaint();
    const TRecordList* satisfying = Controller->ListOfItemsSatisfyingSelections();
    ASSERT_NE(satisfying, nullptr);
    ASSERT_EQ(satisfying->size(), 2u);
    auto drawn = DrawnRecords(PaintFastmap());
    EXPECT_EQ(Keys(drawn), (std::set<int>{1, 2}));
    for (const auto& [i, color] : drawn) EXPECT_TRUE(TRecordingDrawing::SameColor(color, Data->RecordByIndex(i)->Color));

    // A time window of records 2 … 3 leaves record 2.
    Data->TimeDiscreteRange = 2;
    Data->SetTimeMoment(2);
    EXPECT_EQ(Keys(DrawnRecords(PaintFastmap())), (std::set<int>{2}));

    // Relevance with brushes: the satisfying records in relevance colours.
    Data->SetAllRecordsDrawn(true);
    Fastmap->SetDrawMode(drawmodeRelev);
    drawn = DrawnRecords(PaintFastmap());
    EXPECT_EQ(Keys(drawn), (std::set<int>{1, 2}));

    // Selection mode draws every record, and leaves the shared controller as it was.
    const float brushMin = Controller->GetSelectionsList(0)->GetSelection(0)->MinNormalized();
    Fastmap->SetSelectionModeClick();
    EXPECT_TRUE(Fastmap->SelectionMode());
    EXPECT_EQ(Keys(DrawnRecords(PaintFastmap())), (std::set<int>{0, 1, 2, 3}));
    EXPECT_FALSE(Controller->KeepItemsList);
    ASSERT_NE(Controller->ListOfItemsSatisfyingSelections(), nullptr);
    EXPECT_EQ(Controller->ListOfItemsSatisfyingSelections()->size(), 2u);
    EXPECT_EQ(Controller->GetSelectionsList(0)->GetSelection(0)->MinNormalized(), brushMin);
    // Leaving it returns to rotation without a tick on "Rotate" and with the default cursor.
    Controller->RemoveAllSelections();
    Fastmap->SetSelectionModeClick();
    EXPECT_EQ(Fastmap->ChoseOperation(), paRotate);
    EXPECT_FALSE(Fastmap->MenuItemRotate->isChecked());
    EXPECT_FALSE(Fastmap->MenuItemSetSelectionMode->isChecked());
    EXPECT_EQ(Controller->ListOfItemsSatisfyingSelections(), nullptr);
}

TEST_F(FastmapView, PointsStayWithTheirRecordsWhenAnotherViewSortsTheRecordList)
{
    Brush(0, 0.4f, 1.0f);
    View->Repaint();
    std::reverse(Data->ListOfPreprocessedRecords.begin(), Data->ListOfPreprocessedRecords.end());
    ++Data->RecordOrderStamp;
    const auto drawn = DrawnRecords(PaintFastmap());
    EXPECT_EQ(Keys(drawn), (std::set<int>{1, 2}));
    for (const auto& [i, color] : drawn) EXPECT_TRUE(TRecordingDrawing::SameColor(color, Data->RecordByIndex(i)->Color));

    // A view opened on the sorted list keeps every record's point with its record: the
    // distances between points are those between their records.
    OpenFastmap();
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b) {
            double exact = 0, mapped = 0;
            for (int d = 0; d < 3; ++d) {
                exact += std::pow(Data->GetDimension(d)->Values[a] - Data->GetDimension(d)->Values[b], 2);
                mapped += std::pow(Fastmap->PointList->Position(a)[d] - Fastmap->PointList->Position(b)[d], 2);
            }
            EXPECT_NEAR(std::sqrt(mapped), std::sqrt(exact), 1e-5) << a << "-" << b;
        }
}

TEST_F(FastmapView, PickingNamesThePointsUnderThePointerByRecordAndTakesTheFirstCompleteHit)
{
    Fastmap->SetSelectionModeClick();
    // The pointer over point 2.
    double x = 0, y = 0;
    const auto transform = Fastmap->Camera.Transform(Fastmap->width(), Fastmap->height());
    ASSERT_TRUE(ToWindow(transform, Fastmap->width(), Fastmap->height(), Fastmap->PointList->Position(2), x, y));
    struct TCase {
        std::vector<unsigned> Picked;
        int Selected;  // -1: nothing highlighted
    };
    for (const TCase& c : std::vector<TCase>{{{}, -1}, {{2}, 2}, {{3, 1}, 3}, {{unsigned(-1)}, -1}, {{1, 2, 3, 0, 2, 3}, 1}}) {
        Fastmap->PointList->Unmark();
        Fastmap->PickX = int(x);
        Fastmap->PickY = int(y);
        TRecordingDrawing recording;
        recording.PickedNames = c.Picked;
        Fastmap->Picking = true;
        {
            TCurrentDrawing current(recording);
            Fastmap->Paint();
        }
        Fastmap->TakePick();
        Fastmap->Picking = false;
        EXPECT_EQ(Fastmap->PointList->MarkedElement(), c.Selected);
        // Each point under its own name, in record order; point 2 among them; no axes.
        std::vector<unsigned> names;
        for (const TRecordedPoint& p : recording.PointsMeaning(TMeaning::Record)) names.push_back(p.State.Names.back());
        EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
        EXPECT_NE(std::find(names.begin(), names.end(), 2u), names.end());
        EXPECT_TRUE(recording.SegmentsMeaning(TMeaning::Axis).empty());
        EXPECT_EQ(recording.CountCalls("PickMatrix(" + std::to_string(int(x)) + "," + std::to_string(int(y)) + ",5,5)"), 1);
    }
    // Far from every point nothing reaches OpenGL.
    Fastmap->PickX = Fastmap->width() - 1;
    Fastmap->PickY = Fastmap->height() - 1;
    Fastmap->Picking = true;
    TRecordingDrawing empty;
    {
        TCurrentDrawing current(empty);
        Fastmap->Paint();
    }
    Fastmap->Picking = false;
    EXPECT_TRUE(empty.PointsMeaning(TMeaning::Record).empty());

    // The highlighted point: red, twice the size, with its label, over the picture.
    Fastmap->PointList->SelectElement(2);
    const TRecordingDrawing recording = PaintFastmap();
    const auto red = recording.PointsInColor(TOpenGLColor(1, 0, 0));
    ASSERT_EQ(red.size(), 1u);
    EXPECT_EQ(red[0].State.PointSize, 2 * Fastmap->PointList->VertexPointSize());
    EXPECT_EQ(red[0].V.X, Fastmap->PointList->Position(2)[0]);
    EXPECT_EQ(recording.TextsMeaning(TMeaning::Label).size(), 4u);  // X, Y, Z and "2"
    EXPECT_TRUE(recording.HasText("2"));
    // Highlighting another point redraws only the overlay.
    TRecordingDrawing overlay;
    {
        TCurrentDrawing current(overlay);
        Fastmap->PaintOverlay();
    }
    EXPECT_EQ(overlay.PointsMeaning(TMeaning::Record).size(), 1u);
}

struct TDragCase {
    const char* Name;
    ENUM_panOperation Operation;
    QPoint Step;  // widget pixels per move
    Qt::KeyboardModifiers Keys;
    float RotationY, RotationX, Scale, TranslationX, TranslationY;  // after three moves
};

class FastmapDrag : public FastmapView, public ::testing::WithParamInterface<TDragCase> {};

TEST_P(FastmapDrag, ChangesOneStepPerMoveWhateverTheDistance)
{
    const TDragCase& c = GetParam();
    switch (c.Operation) {
    case paRotate: Fastmap->RotateClick(); break;
    case paScale: Fastmap->ScaleClick(); break;
    case paTranslate: Fastmap->TranslateClick(); break;
    case paSelectionMode: Fastmap->SetSelectionModeClick(); break;
    }
    std::vector<QPoint> path{{200, 150}};
    for (int i = 1; i <= 3; ++i) path.push_back(QPoint(200, 150) + c.Step * i * i);  // growing distances
    Drag(path, c.Keys);
    const TFastmapCamera& camera = Fastmap->Camera;
    EXPECT_FLOAT_EQ(camera.RotationY, c.RotationY);
    EXPECT_FLOAT_EQ(camera.RotationX, c.RotationX);
    EXPECT_FLOAT_EQ(camera.Scale, c.Scale);
    EXPECT_FLOAT_EQ(camera.TranslationX, c.TranslationX);
    EXPECT_FLOAT_EQ(camera.TranslationY, c.TranslationY);
    EXPECT_FALSE(Fastmap->Dragging);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FastmapDrag,
    ::testing::Values(TDragCase{"RotateRightAndUp", paRotate, {10, -10}, Qt::NoModifier, 19, 1, 1, 0, 0},
                      TDragCase{"RotateAltKeepsY", paRotate, {10, -10}, Qt::AltModifier, 10, 1, 1, 0, 0},
                      TDragCase{"RotateCtrlKeepsX", paRotate, {-10, 10}, Qt::ControlModifier, 1, 10, 1, 0, 0},
                      TDragCase{"ScaleUp", paScale, {0, -10}, Qt::NoModifier, 10, 10, 1.3f, 0, 0},
                      TDragCase{"ScaleDown", paScale, {5, 10}, Qt::NoModifier, 10, 10, 0.7f, 0, 0},
                      TDragCase{"TranslateRightDown", paTranslate, {10, 10}, Qt::NoModifier, 10, 10, 1, -0.15f, 0.15f},
                      TDragCase{"SelectionModeNothing", paSelectionMode, {10, 10}, Qt::NoModifier, 10, 10, 1, 0, 0}),
    [](const ::testing::TestParamInfo<TDragCase>& info) { return std::string(info.param.Name); });

TEST_F(FastmapView, ScaleRisesByOneInTenMovesAndNeverFallsBelowItsFloor)
{
    Fastmap->ScaleClick();
    std::vector<QPoint> up{{200, 250}};
    for (int i = 1; i <= 10; ++i) up.push_back({200, 250 - 10 * i});
    Drag(up);
    EXPECT_NEAR(Fastmap->Camera.Scale, 2.0f, 1e-5);
    std::vector<QPoint> down{{200, 10}};
    for (int i = 1; i <= 40; ++i) down.push_back({200, 10 + 5 * i});
    Drag(down);
    EXPECT_GE(Fastmap->Camera.Scale, TFastmapCamera::MinimumScale);
    EXPECT_TRUE(PaintFastmap().AllFinite());
}

TEST_F(FastmapView, CentralizeSelectedElementMovesThatPointToTheOriginAndResetsTheCamera)
{
    const float* p = Fastmap->PointList->Position(2);
    const std::array<float, 3> was{p[0], p[1], p[2]};
    const std::array<float, 3> other{Fastmap->PointList->Position(3)[0], Fastmap->PointList->Position(3)[1],
                                     Fastmap->PointList->Position(3)[2]};
    const TSceneBounds bounds = Fastmap->SceneBounds();
    Fastmap->PointList->SelectElement(2);
    Fastmap->ScaleClick();
    Drag({{10, 100}, {10, 50}});
    Fastmap->CentralizeSelectedElementClick();
    for (int d = 0; d < 3; ++d) EXPECT_EQ(Fastmap->PointList->Position(2)[d], 0.0f);
    for (int d = 0; d < 3; ++d) EXPECT_FLOAT_EQ(Fastmap->PointList->Position(3)[d], other[d] - was[d]);
    EXPECT_FLOAT_EQ(Fastmap->SceneBounds().MinX, bounds.MinX - was[0]);
    EXPECT_FLOAT_EQ(Fastmap->SceneBounds().MaxZ, bounds.MaxZ - was[2]);
    EXPECT_EQ(Fastmap->PointList->MarkedElement(), -1);
    EXPECT_EQ(Fastmap->Camera.Scale, 1.0f);
    // Labels other than numbers do not send it elsewhere.
    Data->RecordByIndex(3)->SetLabel("ford");
    Fastmap->PointList->SelectElement(3);
    Fastmap->CentralizeSelectedElementClick();
    for (int d = 0; d < 3; ++d) EXPECT_EQ(Fastmap->PointList->Position(3)[d], 0.0f);
}

TEST_F(FastmapView, ADragHereLeavesTheBrushesOfTheOtherViewAsTheyWere)
{
    Brush(1, 0.2f, 0.8f);
    View->Repaint();  // the parallel view painted last: its callbacks are bound
    const TSelectioner* brush = Controller->GetSelectionsList(1)->GetSelection(0);
    const float min = brush->MinNormalized(), max = brush->MaxNormalized();
    for (const auto operation : {paRotate, paTranslate, paScale, paSelectionMode}) {
        if (operation == paRotate) Fastmap->RotateClick();
        if (operation == paTranslate) Fastmap->TranslateClick();
        if (operation == paScale) Fastmap->ScaleClick();
        if (operation == paSelectionMode) Fastmap->SetSelectionModeClick();
        for (const auto keys : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ControlModifier),
                                Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
            View->Repaint();
            Drag({{int(View->GetAxisX(1)), 500}, {int(View->GetAxisX(1)), 300}, {int(View->GetAxisX(1)), 100}}, keys);
        }
    }
    ASSERT_EQ(Controller->GetSelectionsList(1)->Count(), 1);
    EXPECT_EQ(brush->MinNormalized(), min);
    EXPECT_EQ(brush->MaxNormalized(), max);
    for (int d = 0; d < 3; ++d) EXPECT_EQ(Controller->GetSelectionsList(d)->Count(), d == 1 ? 1 : 0);
}

TEST_F(FastmapView, PointSizeTrackerOpensAtNineForTheWorkedExampleAndSizesEveryPoint)
{
    Fastmap->SetSceneBounds({-2.5f, 1, 0, 1, 0, 1});
    Fastmap->ShowPointSizeTracker();
    ASSERT_NE(Fastmap->PointSizeTracker, nullptr);
    EXPECT_EQ(Fastmap->PointSizeTracker->windowTitle(), "Set Point Size");
    EXPECT_EQ(Fastmap->PointSizeTracker->TrackBarToSet->value(), 9);
    EXPECT_EQ(Fastmap->PointSize, 9.0f);
    for (const auto& p : PaintFastmap().PointsMeaning(TMeaning::Record)) EXPECT_EQ(p.State.PointSize, 9.0f);
    Fastmap->PointSizeTracker->TrackBarToSet->setValue(3);
    for (const auto& p : PaintFastmap().PointsMeaning(TMeaning::Record)) EXPECT_EQ(p.State.PointSize, 3.0f);
    Fastmap->PointSizeTracker->hide();
}

TEST_F(FastmapView, TheMenuHoldsTheViewsCommandsInOrder)
{
    QStringList captions;
    for (QAction* action : Fastmap->MenuItemFastmapProjection->actions()) captions << action->text();
    EXPECT_EQ(captions, (QStringList{"Rotate", "Scale", "Translate", "Reset System", "", "Draw Axes", "Draw Ids", "",
                                     "Set Selection Mode", "Centralize Selected Element"}));
    EXPECT_TRUE(Fastmap->MenuItemRotate->isChecked());
    EXPECT_TRUE(Fastmap->MenuItem3DMode->isChecked());
    EXPECT_TRUE(Fastmap->MenuItemDrawAxes->isChecked());
    Fastmap->DrawIdsClick();
    EXPECT_EQ(PaintFastmap().TextsMeaning(TMeaning::Label).size(), 3u + 4u);
    Fastmap->DrawAxesClick();
    EXPECT_TRUE(PaintFastmap().PrimitivesMeaning(TMeaning::Axis).empty());
}

TEST(FastmapProgress, ALongProjectionShowsAModalProgressDialogThatGoesWithIt)
{
    std::mt19937 generator(3);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<std::vector<float>> columns(3, std::vector<float>(200000));
    for (auto& column : columns)
        for (float& v : column) v = unit(generator);
    auto data = MakeUnitScaleData({}, columns);
    const int saved = TFastmapProjection::ProgressAfterMilliseconds;
    TFastmapProjection::ProgressAfterMilliseconds = 0;  // every run counts as long
    QString seen;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) seen = modal->windowTitle();
    });
    probe.start(0);
    TFastmapProjection view;
    EXPECT_TRUE(view.SetPreProcessedData(data.get()));
    probe.stop();
    TFastmapProjection::ProgressAfterMilliseconds = saved;
    EXPECT_EQ(seen, "Fastmap Projection");
    EXPECT_TRUE(view.PointList->Projected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- datasets at the edges ---------------------------------------------------------------

struct TEdgeCase {
    const char* Name;
    std::vector<std::vector<float>> Columns;
    float SceneSize;  // 0: any finite positive size
};

class FastmapEdges : public FastmapView, public ::testing::WithParamInterface<TEdgeCase> {};

TEST_P(FastmapEdges, GiveAFiniteSceneAndFinitePaintsInEveryMode)
{
    const TEdgeCase& c = GetParam();
    std::vector<std::string> names;
    for (std::size_t i = 0; i < c.Columns.size(); ++i) names.push_back("d" + std::to_string(i));
    Fastmap.reset();  // before the controller it refers to goes
    Open(names, c.Columns);
    OpenFastmap();
    const float size = Fastmap->SceneSize();
    EXPECT_TRUE(std::isfinite(size) && size > 0);
    if (c.SceneSize > 0) {
        EXPECT_EQ(size, c.SceneSize);
    }
    for (const auto mode : {drawmodeNormal, drawmodeFreq, drawmodeRelev}) {
        Fastmap->SetDrawMode(mode);
        for (const bool picking : {false, true}) {
            Fastmap->Picking = picking;
            const TRecordingDrawing recording = PaintFastmap();
            Fastmap->Picking = false;
            EXPECT_TRUE(recording.AllFinite());
            if (!picking) {
                EXPECT_EQ(recording.PointsMeaning(TMeaning::Record).size(), std::size_t(Data->RecordsNumber));
            }
        }
    }
    Fastmap->CentralizeSelectedElementClick();
    EXPECT_TRUE(PaintFastmap().AllFinite());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FastmapEdges,
    ::testing::Values(TEdgeCase{"NoRecords", {{}, {}}, 10}, TEdgeCase{"OneRecord", {{0.3f}, {0.6f}}, 10},
                      TEdgeCase{"IdenticalRecords", {{0.5f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.2f}}, 500},
                      TEdgeCase{"TwoRecords", {{0, 1}, {0, 1}}, 0}, TEdgeCase{"OneDimension", {{0, 0.5f, 1, 0.25f}}, 0},
                      TEdgeCase{"ConstantColumn", {{0, 0.5f, 1}, {0.3f, 0.3f, 0.3f}}, 0}),
    [](const ::testing::TestParamInfo<TEdgeCase>& info) { return std::string(info.param.Name); });

} // namespace
