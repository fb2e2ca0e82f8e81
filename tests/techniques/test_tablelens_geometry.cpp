// The table lens's geometry as plain arithmetic: columns across the space, rows down the
// viewport, the row under a height.
#include <cmath>

#include <gtest/gtest.h>

#include "techniques/tablelens/TableLensColumnsList.h"
#include "techniques/tablelens/TableLensRecord.h"

TEST(TableLensColumns, FiveDimensionsTileTheWidthAndMapValues)
{
    TTableLensColumnsList columns;
    columns.BuildColumns(nullptr, 5, 1280);
    ASSERT_EQ(columns.Count(), 5);
    struct {
        int Column;
        float X0, X1;
    } cases[] = {{0, 1, 256}, {1, 257, 512}, {4, 1025, 1280}};
    for (const auto& c : cases) {
        EXPECT_EQ(columns.Range(c.Column), 254.0f);
        EXPECT_EQ(columns.PosX0(c.Column), c.X0);
        EXPECT_EQ(columns.PosX1(c.Column), c.X1);
    }
    const TTableLensColumn& first = columns.Column(0);
    EXPECT_FLOAT_EQ(first.OffsetOfValue(0.5f), 127.0f);
    EXPECT_FLOAT_EQ(first.BarStart(), 6.0f);            // PosX0 + 5
    EXPECT_NEAR(first.BarEnd(0.0f), 1 + 17.2f, 1e-4);   // a stub of 5 % for the lowest value
    EXPECT_FLOAT_EQ(first.BarEnd(1.0f), 1 + 249.0f);
    EXPECT_FLOAT_EQ(columns.ValueAtX(2, 2 * 256 + 1 + 5 + 61), 0.25f);
}

TEST(TableLensColumns, PointerHitsAndOrderingClicks)
{
    TTableLensColumnsList columns;
    columns.BuildColumns(nullptr, 5, 1280);
    const int h = 1566;
    EXPECT_EQ(columns.IndexOfColumnOverWhichTheMouseIs, -1);
    columns.TrackPointer(300, 100, h);
    EXPECT_EQ(columns.IndexOfColumnOverWhichTheMouseIs, 1);
    EXPECT_TRUE(columns.Column(1).IsMouseOverNow);
    EXPECT_FALSE(columns.Column(1).IsMouseOverHeader);
    // The header hit zone starts 28 below the top.
    EXPECT_FALSE(columns.HeaderContains(1, 300, h - 29, h));
    EXPECT_TRUE(columns.HeaderContains(1, 300, h - 28, h));
    // Right of every column the last hovered one stays.
    TTableLensColumnsList narrow;
    narrow.BuildColumns(nullptr, 3, 1280);  // step 426: columns end at 1278
    narrow.TrackPointer(1000, 100, h);
    narrow.TrackPointer(1279, 100, h);
    EXPECT_EQ(narrow.IndexOfColumnOverWhichTheMouseIs, 2);
    EXPECT_FALSE(narrow.Column(2).IsMouseOverNow);
    // Anywhere in a column's height a click orders by it; outside every column nothing.
    columns.ChooseOrderAt(800, 60, h);
    EXPECT_EQ(columns.IndexOfDimensionToBaseOrder, 3);
    narrow.ChooseOrderAt(1279, 60, h);
    EXPECT_EQ(narrow.IndexOfDimensionToBaseOrder, 0);
    // A new dataset starts afresh.
    columns.BuildColumns(nullptr, 5, 1280);
    EXPECT_EQ(columns.IndexOfColumnOverWhichTheMouseIs, -1);
    EXPECT_EQ(columns.IndexOfDimensionToBaseOrder, 0);
}

TEST(TableLensColumns, NarrowColumnsHaveNoValueAndNeverInvert)
{
    for (int n : {200, 256, 600, 1280, 3000}) {
        TTableLensColumnsList columns;
        columns.BuildColumns(nullptr, n, 1280);
        for (int i = 0; i < n; i += 37) {
            const TTableLensColumn& c = columns.Column(i);
            EXPECT_LE(c.PosX0, c.PosX1) << n;
            EXPECT_EQ(c.ValueAtX(int(c.PosX0)), -1.0f) << n;
            for (float v : {0.0f, 0.5f, 1.0f, std::nanf("")}) {
                EXPECT_TRUE(std::isfinite(c.BarEnd(v)));
                EXPECT_LE(c.BarStart(), c.BarEnd(v)) << n;
                EXPECT_LE(c.BarEnd(v), c.PosX1) << n;
            }
        }
    }
}

TEST(TableLensRows, WorkedLayoutOfAHundredRows)
{
    TTableLensRowLayout layout;
    layout.Height = 1566;
    layout.Thickness = 15;
    layout.Rows = 100;
    EXPECT_EQ(layout.PosY(0), 1519);
    EXPECT_EQ(layout.RowTop(0), 1534);
    EXPECT_EQ(layout.PosY(99), 34);
    EXPECT_EQ(layout.RowTop(99), 49);
    EXPECT_EQ(layout.RowAt(1519), 0);
    EXPECT_EQ(layout.RowAt(1533), 0);
    EXPECT_EQ(layout.RowAt(1534), -1);  // between the rows and the headers
    EXPECT_EQ(layout.RowAt(1518), 1);
    EXPECT_EQ(layout.RowAt(45), 99);
    EXPECT_EQ(layout.RowAt(40), -1);    // the footer
    // Only the part above the footer shows, and scrolling can bring the last row clear of it.
    EXPECT_EQ(layout.MaxScroll(), 32 + 1500 + 41 - 1566);
    layout.Scroll = layout.MaxScroll();
    EXPECT_EQ(layout.PosY(99), 41);
    EXPECT_EQ(layout.FirstVisible(), 0);
    EXPECT_EQ(layout.LastVisible(), 100);
    // Thickness 4: everything fits, no scrolling.
    layout.Thickness = 4;
    layout.Scroll = 0;
    EXPECT_EQ(layout.MaxScroll(), 0);
    EXPECT_EQ(layout.Clamped(50), 0);
    EXPECT_EQ(layout.PosY(99), 1534 - 400);
}

TEST(TableLensRows, FewRowsFitAndNoneIsInverted)
{
    for (int rows : {0, 1, 2}) {
        TTableLensRowLayout layout;
        layout.Height = 400;
        layout.Rows = rows;
        EXPECT_EQ(layout.MaxScroll(), 0);
        EXPECT_EQ(layout.LastVisible(), rows);
        for (int k = 0; k < rows; ++k) {
            EXPECT_LT(layout.PosY(k), layout.RowTop(k));
            EXPECT_GE(layout.PosY(k), layout.ClipBottom());
        }
    }
}

// With a million rows, every height of the band lies in exactly one row, found by
// arithmetic and by checking every visible row, at the top, the middle and the end, for
// whole and fractional thicknesses.
TEST(TableLensRows, ExactlyOneRowAtEveryHeightOfAMillion)
{
    for (float thickness : {17.0f, 30.0f, 1.0f, 2.5f}) {
        TTableLensRowLayout layout;
        layout.Height = 1000;
        layout.Thickness = thickness;
        layout.Rows = 1'000'000;
        ASSERT_GT(layout.MaxScroll(), std::int64_t(1'000'000) * std::int64_t(thickness) - 1000);
        for (std::int64_t scroll : {std::int64_t(0), layout.MaxScroll() / 2 + 7, layout.MaxScroll()}) {
            layout.Scroll = scroll;
            const std::int64_t first = layout.FirstVisible();
            const std::int64_t last = layout.LastVisible();
            ASSERT_LT(first, last);
            if (scroll == layout.MaxScroll()) {
                EXPECT_EQ(last, layout.Rows);
            }
            for (int y = 0; y < layout.Height; ++y) {
                int hits = 0;
                std::int64_t hit = -1;
                for (std::int64_t k = std::max<std::int64_t>(0, first - 1); k < std::min(layout.Rows, last + 1); ++k)
                    if (layout.PosY(k) <= y && y < layout.RowTop(k)) {
                        ++hits;
                        hit = k;
                    }
                const bool inBand = y >= layout.ClipBottom() && y < layout.ClipTop();
                if (inBand) {
                    ASSERT_EQ(hits, 1) << "thickness " << thickness << " scroll " << scroll << " y " << y;
                    ASSERT_EQ(layout.RowAt(y), hit);
                    ASSERT_GE(hit, first);
                    ASSERT_LT(hit, last);
                } else {
                    ASSERT_EQ(layout.RowAt(y), -1) << y;
                }
            }
        }
    }
}
