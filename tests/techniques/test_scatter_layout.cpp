// The geometry of the scatter plot matrix, computed from the space alone.
#include <gtest/gtest.h>

#include "techniques/scatter/ScatterLayout.h"

namespace {
struct CellCase {
    int Column, Line;
    TScatterRect Rect;
};

TEST(ScatterLayout, FiveDimensionsOnA1280By1024Space)
{
    const TScatterLayout l = TScatterLayout::Compute(1280, 1024, 5);
    EXPECT_FLOAT_EQ(l.CellWidth, 250.0f);
    EXPECT_FLOAT_EQ(l.CellHeight, 198.8f);
    EXPECT_EQ(l.StepX, 250);
    EXPECT_EQ(l.StepY, 198);
    const CellCase cases[] = {
        {4, 0, {30, 30, 280, 228}},
        {0, 0, {1030, 30, 1280, 228}},
        {2, 2, {530, 426, 780, 624}},
        {4, 4, {30, 822, 280, 1020}},
    };
    for (const CellCase& c : cases) {
        const TScatterRect r = l.Cell(c.Column, c.Line);
        EXPECT_EQ(r.X0, c.Rect.X0) << c.Column << "," << c.Line;
        EXPECT_EQ(r.Y0, c.Rect.Y0) << c.Column << "," << c.Line;
        EXPECT_EQ(r.X1, c.Rect.X1) << c.Column << "," << c.Line;
        EXPECT_EQ(r.Y1, c.Rect.Y1) << c.Column << "," << c.Line;
    }
    EXPECT_TRUE(l.HasZoom());
    EXPECT_EQ(l.ZoomLeft, 780);
    EXPECT_EQ(l.ZoomBottom, 626);
    EXPECT_FLOAT_EQ(l.ZoomWidth, 499.0f);
    EXPECT_FLOAT_EQ(l.ZoomHeight, 396.6f);
    const TScatterRect z = l.Zoom();
    EXPECT_EQ(z.X1, 1279);
    EXPECT_EQ(z.Y1, 1022);
    // Points keep 4 units from the frame: value 0 at PosX0 + 4, value 1 at PosX1 − 4.
    EXPECT_FLOAT_EQ(l.CellXScale(2).ToLogical(0.0f), 534.0f);
    EXPECT_FLOAT_EQ(l.CellXScale(2).ToLogical(1.0f), 776.0f);
    EXPECT_FLOAT_EQ(l.CellYScale(2).ToLogical(1.0f), 426.0f + 4.0f + 190.8f);
    EXPECT_FLOAT_EQ(l.ZoomXScale().ToLogical(1.0f), 780.0f + 4.0f + 491.0f);
}

TEST(ScatterLayout, TwoDimensionsOrFewerHaveNoZoomAndNoneHaveNoCells)
{
    const TScatterLayout one = TScatterLayout::Compute(1280, 1024, 1);
    const TScatterRect only = one.Cell(0, 0);
    EXPECT_EQ(only.X0, 30);
    EXPECT_EQ(only.Y0, 30);
    EXPECT_EQ(only.X1, 1280);
    EXPECT_EQ(only.Y1, 1024);
    EXPECT_FALSE(one.HasZoom());
    EXPECT_TRUE(one.Zoom().Empty());
    EXPECT_FALSE(one.Zoom().Contains(1000, 1000));

    const TScatterLayout two = TScatterLayout::Compute(1280, 1024, 2);
    EXPECT_FALSE(two.HasZoom());
    EXPECT_FALSE(two.Zoom().Contains(1200, 1000));
    EXPECT_EQ(two.Cell(1, 0).X0, 30);
    EXPECT_EQ(two.Cell(0, 0).X0, 30 + 625);
    EXPECT_EQ(two.Cell(1, 1).Y0, 30 + 497);

    const TScatterLayout none = TScatterLayout::Compute(1280, 1024, 0);
    EXPECT_EQ(none.Dimensions, 0);
    EXPECT_EQ(none.CellWidth, 0.0f);
    EXPECT_FALSE(none.HasZoom());
}

TEST(ScatterLayout, NarrowCellsPlotAcrossTheirWholeWidthInsteadOfMirroring)
{
    // 200 dimensions on 1280 units: cells 6.25 units wide, less than the two insets.
    const TScatterLayout l = TScatterLayout::Compute(1280, 1024, 200);
    ASSERT_LE(l.CellWidth, 8.0f);
    const TValueScale x = l.CellXScale(0);
    EXPECT_GT(x.Length, 0.0f);
    EXPECT_LE(x.ToLogical(0.0f), x.ToLogical(1.0f));
    const TScatterRect r = l.Cell(0, 0);
    EXPECT_GE(x.ToLogical(0.0f), float(r.X0));
    EXPECT_LE(x.ToLogical(1.0f), float(r.X0) + l.CellWidth);
    // An extent of nothing plots nothing apart.
    EXPECT_EQ(TScatterLayout::PlotScale(10, 0.0f).Length, 0.0f);
    EXPECT_EQ(TScatterLayout::PlotScale(10, -5.0f).Length, 0.0f);
}
} // namespace
