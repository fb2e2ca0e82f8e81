// The star-coordinates geometry without a window: axis placement, directions, hit tests,
// and dot positions checked against the record-by-record sum.
#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "techniques/star/StarAxis.h"
#include "techniques/star/StarDot.h"
#include "tests/support/UnitScaleData.h"

namespace {
constexpr float R = 379.5f;

std::unique_ptr<TPreProcessedData> Data(int dimensions, int records, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::vector<std::vector<float>> columns(dimensions, std::vector<float>(records));
    for (auto& column : columns)
        for (float& v : column) v = value(random);
    return MakeUnitScaleData({}, columns);
}

struct Axes {
    explicit Axes(TPreProcessedData* data, bool mode3D = false) { List.Initialize(nullptr, &Center, data, R, mode3D); }
    TOpenGLVertex Center{-1, 0, 0, 0};
    TStarAxesList List;
};
} // namespace

TEST(StarGeometry, UnitVectorsHaveLengthOneAndAZeroVectorHasNoDirection)
{
    TUnitaryVector v;
    v.SetFromVector(3, 0, 4);
    EXPECT_FLOAT_EQ(v.V1, 0.6f);
    EXPECT_FLOAT_EQ(v.V3, 0.8f);
    v.SetFromVector(0, 0, 0);
    EXPECT_EQ(v.V1, 0.0f);
    EXPECT_EQ(v.V2, 0.0f);
    EXPECT_EQ(v.V3, 0.0f);
}

TEST(StarGeometry, AxesArePlacedOnACircleIn2DAndOverTheActiveOnesIn3D)
{
    auto data = Data(4, 2);
    Axes axes(data.get());
    const float expected[4][2] = {{R, 0}, {0, R}, {-R, 0}, {0, -R}};
    for (int i = 0; i < 4; ++i) {
        const TStarAxis* a = axes.List.Item(i);
        EXPECT_NEAR(a->EndPoint.X, expected[i][0], 1e-3) << i;
        EXPECT_NEAR(a->EndPoint.Y, expected[i][1], 1e-3) << i;
        EXPECT_FLOAT_EQ(a->SizeOfAxis, R);
    }

    // 3-D with axes 1 and 2 off: axis 0 at t = 0, axis 3 at the second active place, t = π/2.
    axes.List.Item(1)->IsActive = false;
    axes.List.Item(2)->IsActive = false;
    const TChangeStamp before = axes.List.StarAxesTimeStamp;
    axes.List.PlaceAxes(true);
    EXPECT_NE(axes.List.StarAxesTimeStamp, before);
    const TStarAxis* a0 = axes.List.Item(0);
    const TStarAxis* a3 = axes.List.Item(3);
    EXPECT_NEAR(a0->EndPoint.X, 0, 1e-3);
    EXPECT_NEAR(a0->EndPoint.Y, 0, 1e-3);
    EXPECT_NEAR(a0->EndPoint.Z, R, 1e-3);
    EXPECT_NEAR(a3->EndPoint.X, 0, 1e-2);
    EXPECT_NEAR(a3->EndPoint.Y, R, 1e-3);
    EXPECT_NEAR(a3->EndPoint.Z, 0, 1e-2);
    // The switched-off axes lie on the centre: no length, no direction.
    for (int i : {1, 2}) {
        EXPECT_EQ(axes.List.Item(i)->SizeOfAxis, 0.0f);
        EXPECT_EQ(axes.List.Item(i)->UnitaryVector.V1, 0.0f);
    }
}

TEST(StarGeometry, HitTestsFlagOneAxisAndPreferEndPoints)
{
    auto data = Data(4, 2);
    Axes axes(data.get());
    const TStarHitFrame frame;
    struct Case {
        int X, Y;
        int Axis;
        bool OverEnd;
    };
    const Case cases[] = {
        {200, 3, 0, false},          // on axis 0's line (to the right)
        {200, -4, 0, false},
        {200, 9, -1, false},         // beside it
        {-3, 150, 1, false},         // on axis 1 (up)
        {int(R) + 10, -12, 0, true}, // near axis 0's end point, off the line band
        {-200, 2, 2, false},         // axis 2, left
        {100, 100, -1, false},       // between axes
    };
    for (const Case& c : cases) {
        const int hit = axes.List.HitTest(c.X, c.Y, frame);
        EXPECT_EQ(hit, c.Axis) << c.X << "," << c.Y;
        EXPECT_EQ(axes.List.AxisUnderMouse, c.Axis);
        int flagged = 0;
        for (int i = 0; i < axes.List.Count(); ++i)
            flagged += axes.List.Item(i)->IsMouseOverLine || axes.List.Item(i)->IsMouseOverEndPoint;
        EXPECT_EQ(flagged, c.Axis == -1 ? 0 : 1) << c.X << "," << c.Y;
        EXPECT_EQ(axes.List.AxisWithMouseOverEndPoint(), c.OverEnd ? c.Axis : -1);
    }
}

TEST(StarGeometry, AnAxisOfZeroLengthHasNoHitBandThroughTheCentre)
{
    auto data = Data(4, 2);
    Axes axes(data.get());
    axes.List.MoveAxisEndPoint(1, 0, 0);  // axis 1's end point dropped on the centre
    EXPECT_EQ(axes.List.Item(1)->SizeOfAxis, 0.0f);
    EXPECT_EQ(axes.List.Item(1)->UnitaryVector.V2, 0.0f);
    EXPECT_EQ(axes.List.HitTest(2, 150, TStarHitFrame()), -1);  // where axis 1 stood
    // Its end point can still be grabbed again, on the centre.
    EXPECT_EQ(axes.List.HitTest(3, 3, TStarHitFrame()), 1);
    EXPECT_EQ(axes.List.AxisWithMouseOverEndPoint(), 1);
}

TEST(StarGeometry, In3DTheHitTestUsesTheRotatedAxes)
{
    auto data = Data(4, 2);
    Axes axes(data.get(), true);
    TStarHitFrame frame;
    frame.Mode3D = true;
    // Unrotated, axis 0 points at the viewer (0, 0, R): it shows no line. Turned by 90°
    // about y it lies along +x on screen.
    EXPECT_EQ(axes.List.HitTest(200, 2, frame), -1);
    frame.RotationY = 90;
    EXPECT_EQ(axes.List.HitTest(200, 2, frame), 0);
    float sx, sy;
    frame.Project(0, 0, R, sx, sy);
    EXPECT_NEAR(sx, R, 1e-2);
    EXPECT_NEAR(sy, 0, 1e-2);
}

TEST(StarGeometry, PositionsAreTheSumOverActiveAxesOfValueTimesVector)
{
    for (bool mode3D : {false, true}) {
        auto data = Data(5, 3000, 11);
        Axes axes(data.get(), mode3D);
        axes.Center.SetPosition(17, -23, 0);
        axes.List.MoveAxisEndPoint(0, 100, 250);
        axes.List.UpdateAxes();
        axes.List.Item(3)->IsActive = false;
        axes.List.Touch();
        TStarDotList dots;
        dots.Fill(nullptr, &axes.List, data.get(), &axes.Center);
        dots.SetMode3D(mode3D);
        dots.RefreshPositions();
        ASSERT_EQ(dots.Components(), mode3D ? 3 : 2);
        for (int r = 0; r < data->RecordsNumber; r += 7) {
            float sx = 0, sy = 0, sz = 0;
            for (int d = 0; d < 5; ++d) {
                const TStarAxis* a = axes.List.Item(d);
                if (!a->IsActive) continue;
                const float v = data->GetDimension(d)->Values[r];
                sx += v * a->UnitaryVector.V1 * a->SizeOfAxis;
                sy += v * a->UnitaryVector.V2 * a->SizeOfAxis;
                sz += v * a->UnitaryVector.V3 * a->SizeOfAxis;
            }
            const float* p = &dots.Positions[std::size_t(r) * dots.Components()];
            EXPECT_FLOAT_EQ(p[0], 17 + sx);
            EXPECT_FLOAT_EQ(p[1], -23 + sy);
            if (mode3D) {
                EXPECT_FLOAT_EQ(p[2], sz);
            }
            float x, y, z;
            dots.Dot(r).ComputePosition(x, y, z);
            EXPECT_FLOAT_EQ(x, p[0]);
            EXPECT_FLOAT_EQ(y, p[1]);
        }
        EXPECT_LE(dots.BytesPerRecord(), 32.0);
    }
}
