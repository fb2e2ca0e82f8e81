// The tracker windows: layout rules, ranges, change and close notifications.
#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

#include "vis/UDoubleTrackBarForm.h"
#include "vis/UTrackBarForm.h"

TEST(TrackBarForm, StartsWithNoDimensionAndOffersOneToTen)
{
    TFormTrackBar form;
    EXPECT_EQ(form.GetDimensionToSet(), -1);
    EXPECT_EQ(form.TrackBarToSet->minimum(), 1);
    EXPECT_EQ(form.TrackBarToSet->maximum(), 10);
    EXPECT_EQ(form.TrackBarToSet->value(), 1);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    // The track bar fits inside the window.
    EXPECT_LE(form.TrackBarToSet->geometry().right(), form.width());
}

TEST(TrackBarForm, NarrowWindowShrinksTheTrackBarToItsWidthMinusTwenty)
{
    TFormTrackBar form;
    form.resize(120, 80);
    form.FormCreate();
    EXPECT_EQ(form.TrackBarToSet->width(), 100);
    EXPECT_EQ(form.TrackBarToSet->x(), 10);
}

TEST(TrackBarForm, ReportsEveryPositionChangeAndHidesOnClose)
{
    TFormTrackBar form;
    std::vector<int> positions;
    form.OnChange = [&](int p) { positions.push_back(p); };
    form.TrackBarToSet->setValue(4);  // set by code: reported too
    form.TrackBarToSet->setValue(4);  // no change: not reported
    form.TrackBarToSet->setValue(20); // clamped to the maximum
    EXPECT_EQ(positions, (std::vector<int>{4, 10}));

    form.show();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.TrackBarToSet->value(), 10);  // still there, not destroyed
}

TEST(DoubleTrackBarForm, LaysOutTwoBarsAndReportsClose)
{
    TFormDoubleTrackBar form;
    EXPECT_EQ(form.TrackBarToSet->geometry(), QRect(10, 30, 300, 25));
    EXPECT_EQ(form.TrackBarToSet2->geometry(), QRect(10, 86, 300, 25));
    EXPECT_EQ(form.LabelCaption2->y(), 66);
    for (QSlider* bar : {form.TrackBarToSet, form.TrackBarToSet2}) {
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->tickPosition(), QSlider::TicksBothSides);
    }

    int closes = 0;
    form.OnClose = [&] { ++closes; };
    form.show();
    form.close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.isVisible());
}
