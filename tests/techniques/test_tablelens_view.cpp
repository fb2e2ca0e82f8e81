// The table lens view through the recording drawing: rows, ordering by a click, bands and
// the filtered display, hover labels, relevance colours, scrolling, and the faults mended.
#include <cmath>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include "data/Statistics.h"
#include "render/TextDecoding.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "tests/techniques/TableLensFixture.h"

namespace {
const TOpenGLColor Black(0, 0, 0), Red(1, 0, 0), Green(0, 1, 0);
} // namespace

class TableLensView : public TableLensFixture {
protected:
    // Records: alpha 0.5, 0, 1, 0.25; beta 1, 0, 0.5, 0.75; gamma 0, 1, 0.5, 1.
    void SetUp() override { Open({"alpha", "beta", "gamma"}, {{0.5f, 0, 1, 0.25f}, {1, 0, 0.5f, 0.75f}, {0, 1, 0.5f, 1}}); }
    int HeaderY() const { return View->SpaceHeight - 10; }
    int RowY(int k) const { return int(View->RowLayout().PosY(k)); }
};

TEST_F(TableLensView, DrawsColumnsHeadersFooterAndOneRowPerRecord)
{
    const TRecordingDrawing r = Paint();
    const int h = View->SpaceHeight;
    EXPECT_EQ(h, 1566);
    EXPECT_TRUE(r.IsEnabled(TCapability::DepthTest));
    EXPECT_TRUE(r.HasText("alpha"));
    EXPECT_EQ(r.TextsContaining("gamma")[0]->Y, float(h - 16));
    // Footer box and the column outlines.
    bool footer = false;
    for (const auto* p : r.PrimitivesOf(TPrimitive::LineLoop))
        if (p->Vertices.size() == 4 && p->Vertices[0].Y == 40 && p->Vertices[2].Y == 0) footer = true;
    EXPECT_TRUE(footer);
    // Rows in dataset order, thickness 15 from just below the headers.
    EXPECT_EQ(ValuesShown(r, 0), (std::vector<float>{0.5f, 0, 1, 0.25f}));
    const std::vector<TBar> bars = Bars(r, 1);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0].Y1, float(h - 32));
    EXPECT_EQ(bars[0].Y0, float(h - 47));
    EXPECT_EQ(bars[3].Y0, float(h - 32 - 60));
    EXPECT_TRUE(RecordedColorIs(bars[0].Color, TOpenGLColor()));  // records are blue
    EXPECT_TRUE(r.AllFinite());
    EXPECT_FALSE(View->VerticalScrollBar()->isVisibleTo(View.get()));
}

// With more rows than the view holds, the bars run down to the bottom of the rows' band:
// the columns' frames reach as far, so no bar sticks out below its frame.
TEST_F(TableLensView, NoBarRunsBelowItsColumnFrame)
{
    std::vector<float> values(300);
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = float(k % 7) / 6.0f;
    Open({"a", "b"}, {values, values}, 500);
    const TRecordingDrawing r = Paint();
    float frameBottom = 1e9f, barBottom = 1e9f;
    for (const TRecordedPrimitive* p : r.PrimitivesMeaning(TMeaning::Axis))
        if (p->Kind == TPrimitive::LineLoop)
            for (const TRecordedVertex& v : p->Vertices) frameBottom = std::min(frameBottom, v.Y);
    for (const TRecordedPrimitive* p : r.PrimitivesMeaning(TMeaning::Record))
        for (const TRecordedVertex& v : p->Vertices) barBottom = std::min(barBottom, v.Y);
    ASSERT_LT(barBottom, 1e9f);
    ASSERT_LT(frameBottom, 1e9f);
    EXPECT_GE(barBottom, frameBottom);
}

TEST_F(TableLensView, ClickingAColumnOrdersTheRowsAndADragDoesNot)
{
    Click(ColumnMiddle(0), BodyY());
    EXPECT_EQ(ValuesShown(Paint(), 0), (std::vector<float>{0.5f, 0, 1, 0.25f}));  // still dataset order
    Click(ColumnMiddle(2), BodyY());
    EXPECT_EQ(ValuesShown(Paint(), 2), (std::vector<float>{0, 0.5f, 1, 1}));
    EXPECT_EQ(ValuesShown(Paint(), 0), (std::vector<float>{0.5f, 1, 0, 0.25f}));  // equal values keep their order
    Click(ColumnMiddle(0), BodyY());
    EXPECT_EQ(ValuesShown(Paint(), 0), (std::vector<float>{0, 0.25f, 0.5f, 1}));
    // A drag that ends over column 1 leaves the order.
    Drag(ColumnMiddle(1) - 30, ColumnMiddle(1), BodyY());
    EXPECT_EQ(View->TableLensColumnsList.IndexOfDimensionToBaseOrder, 0);
    EXPECT_EQ(ValuesShown(Paint(), 0), (std::vector<float>{0, 0.25f, 0.5f, 1}));
}

TEST_F(TableLensView, BandFiltersRowsPackedFromTheTopAndItsRemovalRestoresTheOrder)
{
    Click(ColumnMiddle(2), BodyY());  // unfiltered order by gamma: alpha 0.5, 1, 0, 0.25
    // Ctrl+click in column 2 makes an empty red band at the click.
    Click(XOfValue(2, 0.4f), BodyY(), Qt::ControlModifier);
    TSelectionsList* list = Controller->GetSelectionsList(2);
    ASSERT_EQ(list->Count(), 1);
    TSelectioner* band = list->GetSelection(0);
    EXPECT_EQ(band->XMin, band->XMax);
    EXPECT_NEAR(band->MinNormalized(), 0.4f, 0.01f);
    {
        const TRecordingDrawing r = Paint();
        bool redBand = false;
        for (const auto* p : r.PrimitivesMeaning(TMeaning::Brush))
            if (p->Kind == TPrimitive::Quads && p->Vertices[0].Y >= float(View->SpaceHeight - 28) &&
                RecordedColorIs(p->Vertices[0].Color, Red))
                redBand = true;
        EXPECT_TRUE(redBand);
    }
    // Dragging to the right widens it, up to the column's end: gamma 0.5, 1, 1 (records 2, 1, 3).
    Drag(XOfValue(2, 0.4f), XOfValue(2, 1.0f) + 20, BodyY());
    EXPECT_GT(band->MaxNormalized(), 1.0f);
    Drag(ColumnMiddle(2), ColumnMiddle(0), 1000);
    EXPECT_EQ(View->TableLensColumnsList.IndexOfDimensionToBaseOrder, 2);  // the drag ordered nothing
    const TRecordingDrawing r = Paint();
    // Sorted by gamma, packed from the top, in the selection's colour.
    EXPECT_EQ(ValuesShown(r, 0), (std::vector<float>{1, 0, 0.25f}));
    const std::vector<TBar> bars = Bars(r, 0);
    EXPECT_EQ(bars[0].Y1, float(View->SpaceHeight - 32));
    EXPECT_TRUE(RecordedColorIs(bars[0].Color, *band->Color()));
    // Hovering position 2 highlights only the record drawn there.
    Move(ColumnMiddle(0), RowY(2));
    const TRecordingDrawing hovered = Paint();
    EXPECT_TRUE(hovered.HasText("Visual order: 2"));
    int black = 0;
    for (const TBar& b : Bars(hovered, 0))
        if (RecordedColorIs(b.Color, Black)) {
            ++black;
            EXPECT_EQ(b.X1, View->TableLensColumnsList.Column(0).BarEnd(0.25f));
            EXPECT_EQ(b.Y0, float(View->RowLayout().PosY(2)));
        }
    EXPECT_EQ(black, 1);
    EXPECT_TRUE(hovered.HasText("2.5"));  // alpha 0.25 in its units (0 to 10)
    // Shift+click removes the focused band: every record again, in the order of before.
    Click(ColumnMiddle(2), BodyY(), Qt::ShiftModifier);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(ValuesShown(Paint(), 0), (std::vector<float>{0.5f, 1, 0, 0.25f}));
}

TEST_F(TableLensView, BandEdgesStopAtTheNeighbourAndResizeWithoutFocusDoesNothing)
{
    Click(XOfValue(1, 0.2f), BodyY(), Qt::ControlModifier);
    Drag(XOfValue(1, 0.2f), XOfValue(1, 0.3f), BodyY());
    Click(XOfValue(1, 0.6f), BodyY(), Qt::ControlModifier);
    Drag(XOfValue(1, 0.6f), XOfValue(1, 0.7f), BodyY());
    TSelectionsList* list = Controller->GetSelectionsList(1);
    ASSERT_EQ(list->Count(), 2);
    TSelectioner* a = list->GetSelection(0);
    TSelectioner* b = list->GetSelection(1);
    Paint();
    Click(XOfValue(1, 0.25f), BodyY(), Qt::ControlModifier);  // focuses the first band
    EXPECT_EQ(list->FocusIndex(), 0);
    Drag(a->XMax, XOfValue(1, 0.9f), BodyY());
    EXPECT_EQ(a->XMax, b->XMin);
    EXPECT_NEAR(a->MaxNormalized(), b->MinNormalized(), 1e-5);

    list->SetFocus(-1);
    const float min = a->MinNormalized(), max = a->MaxNormalized();
    EXPECT_FALSE(View->Methods->UpdateSelectionBands(list, seResize, XOfValue(1, 0.1f), BodyY()));
    EXPECT_EQ(a->MinNormalized(), min);
    EXPECT_EQ(a->MaxNormalized(), max);
}

TEST_F(TableLensView, MenuNewSelectionCreatesNothingAndAKeptEmptyListFiltersNothing)
{
    Move(ColumnMiddle(1), BodyY());
    View->NewSelectionClick();
    EXPECT_EQ(Controller->NumberOfSelections(), 0);
    // A FastMap view's selection mode keeps the satisfying-records list while none exists.
    Controller->KeepItemsList = true;
    ASSERT_NE(Controller->ListOfItemsSatisfyingSelections(), nullptr);
    EXPECT_EQ(Bars(Paint(), 0).size(), 4u);
}

TEST_F(TableLensView, FrequencyModeColoursByWeightAndHoverIsGreen)
{
    View->DrawModeFrequencyClick();
    Move(ColumnMiddle(2), RowY(0));
    const TRecordingDrawing r = Paint();
    const std::vector<TBar> bars = Bars(r, 2);
    bool red = false;
    int green = 0;
    for (std::size_t k = 0; k < bars.size(); ++k) {
        if (RecordedColorIs(bars[k].Color, Green)) {
            ++green;
            continue;
        }
        red = red || RecordedColorIs(bars[k].Color, Red);
    }
    EXPECT_TRUE(red);  // gamma 1, the most frequent value
    EXPECT_EQ(green, 1);
    for (int k = 0; k < 4; ++k) {
        const float f = Data->Weight(2, Data->GetRecord(k));
        EXPECT_TRUE(RecordedColorIs(bars[k + (k >= 1 ? 1 : 0)].Color, TOpenGLColor(1, 1 - f * f, 1 - f * f)) ||
                    k == 0)
            << k;
    }
}

TEST_F(TableLensView, RelevanceAveragesFollowTheirRecordsAndRemovedPointsCountNoMore)
{
    View->DrawModeRelevanceClick();
    // A click in column 0's header sets its relevance point there (and orders by it).
    Click(XOfValue(0, 0.5f), HeaderY());
    ASSERT_NEAR(Data->GetRelevanceValue(0), 0.5f, 0.01f);
    // Clicking below the header sets nothing.
    Click(XOfValue(2, 0.5f), BodyY());
    EXPECT_EQ(Data->GetRelevanceValue(2), -1.0f);
    EXPECT_EQ(View->TableLensColumnsList.IndexOfDimensionToBaseOrder, 2);  // re-sorted by gamma

    auto expected = [&](float alpha, int column, bool pointsLeft) {
        for (int k = 0; k < Data->RecordsNumber; ++k) {
            TPreProcessedRecord* record = Data->GetRecord(k);
            if (Data->Value(0, record) != alpha) continue;
            float average = 1;
            if (pointsLeft) {
                const float d = std::fabs(Data->GetRelevanceValue(0) - alpha);
                const float m = Data->GetMaxRelevanceDistance(0);
                average = d > m ? -(d - m) / (1 - m) : 1 - d / m;
            }
            const float f = Data->Weight(column, record);
            return RelevanceColor(average, f * f);
        }
        return TOpenGLColor(-1, -1, -1);
    };
    for (bool pointsLeft : {true, false}) {
        if (!pointsLeft) View->RemoveAllPointsClick();
        const TRecordingDrawing r = Paint();
        const std::vector<float> alphas = ValuesShown(r, 0);
        ASSERT_EQ(alphas, (std::vector<float>{0.5f, 1, 0, 0.25f}));
        for (int column = 0; column < 3; ++column) {
            const std::vector<TBar> bars = Bars(r, column);
            ASSERT_EQ(bars.size(), 4u);
            for (std::size_t k = 0; k < 4; ++k)
                EXPECT_TRUE(RecordedColorIs(bars[k].Color, expected(alphas[k], column, pointsLeft)))
                    << "row " << k << " column " << column << " points " << pointsLeft;
        }
    }
    // The marker stands at the point: magenta, through the header and the column.
    View->DrawModeNormalClick();
    View->DrawModeRelevanceClick();
    Click(XOfValue(0, 0.5f), HeaderY());
    const TRecordingDrawing r = Paint();
    EXPECT_FALSE(r.LineSegmentsInColor(TOpenGLColor(1, 0, 1)).empty());
    const float x = r.LineSegmentsInColor(TOpenGLColor(1, 0, 1))[0].A.X;
    EXPECT_NEAR(View->TableLensColumnsList.ValueAtX(0, int(x)), 0.5f, 0.01f);
}

TEST_F(TableLensView, RelevanceModeWithABandDrawsTheFilteredRowsInRelevanceColours)
{
    Click(XOfValue(2, 0.4f), BodyY(), Qt::ControlModifier);
    Drag(XOfValue(2, 0.4f), XOfValue(2, 1.0f) + 20, BodyY());  // records 2, 1, 3
    View->DrawModeRelevanceClick();
    const TRecordingDrawing r = Paint();
    const std::vector<TBar> bars = Bars(r, 1);
    ASSERT_EQ(bars.size(), 3u);
    const std::vector<float> beta = ValuesShown(r, 1);
    for (std::size_t k = 0; k < 3; ++k) {
        const TPreProcessedRecord* record = nullptr;
        for (int j = 0; j < Data->RecordsNumber; ++j)
            if (std::fabs(Data->Value(1, Data->GetRecord(j)) - beta[k]) < 1e-3f) record = Data->GetRecord(j);
        ASSERT_NE(record, nullptr);
        const float f = Data->Weight(1, record);
        EXPECT_TRUE(RecordedColorIs(bars[k].Color, RelevanceColor(1, f * f))) << k;  // no point: strength 1
    }
}

TEST_F(TableLensView, TopRowLabelsStayInsideTheViewAtEveryThickness)
{
    for (int t = 1; t <= 30; ++t) {
        View->SetThickness(float(t));
        Move(ColumnMiddle(1), RowY(0));
        ASSERT_EQ(View->TableLensRecordList.HoveredRow, 0) << t;
        const TRecordingDrawing r = Paint();
        const auto boxes = r.LineSegmentsInColor(Green);
        ASSERT_FALSE(boxes.empty());
        for (const auto& s : boxes) {
            EXPECT_LE(s.A.Y, float(View->SpaceHeight - 1)) << t;
            EXPECT_GE(s.A.Y, 41.0f) << t;
        }
        EXPECT_TRUE(r.HasText("Visual order: 0"));
        EXPECT_TRUE(r.HasText("10"));  // beta 1 in its units
    }
}

TEST_F(TableLensView, ThicknessTrackerAndMenu)
{
    const QList<QAction*> actions = View->ViewPopupMenu->actions();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions.last()->text(), "Show Set Thickness Tracker");
    actions.last()->trigger();
    QSlider* bar = View->ThicknessTracker->TrackBarToSet;
    EXPECT_EQ(View->ThicknessTracker->windowTitle(), "Set Thickness Tracker");
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 30);
    EXPECT_EQ(bar->value(), 15);
    bar->setValue(4);
    EXPECT_EQ(View->Thickness(), 4.0f);
    const std::vector<TBar> bars = Bars(Paint(), 0);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[1].Y1 - bars[1].Y0, 4.0f);
    View->ThicknessTracker->hide();
    View->SetThickness(std::nanf(""));
    EXPECT_EQ(View->Thickness(), 1.0f);
}

TEST_F(TableLensView, ColumnAndRowFollowThePointerWithoutLag)
{
    Move(ColumnMiddle(2), RowY(3));
    EXPECT_EQ(View->DimensionUnderMouse, 2);
    EXPECT_EQ(View->TableLensRecordList.HoveredRow, 3);
    Move(ColumnMiddle(1), RowY(1));
    EXPECT_EQ(View->DimensionUnderMouse, 1);
    EXPECT_EQ(View->TableLensRecordList.HoveredRow, 1);
}

TEST_F(TableLensView, StatisticsLinesAndUndefinedStatisticsDrawNothingNotANumber)
{
    View->AverageAllClick();
    const TRecordingDrawing r = Paint();
    const auto green = r.LineSegmentsInColor(Green);
    ASSERT_EQ(green.size(), 3u);
    const TTableLensColumn& c = View->TableLensColumnsList.Column(0);
    EXPECT_FLOAT_EQ(green[0].A.X, c.PosX0 + 1 + c.OffsetOfValue(0.4375f));
    EXPECT_EQ(green[0].A.Y, float(View->SpaceHeight - 30));
    EXPECT_EQ(green[0].B.Y, 51.0f);

    TStatistics undefined;
    undefined.SetValues(0, std::vector<float>{std::nanf(""), INFINITY});
    TRecordingDrawing nan;
    {
        TCurrentDrawing current(nan);
        View->Methods->DrawAverageInColumn(&undefined);
        View->Methods->DrawMedianInColumn(&undefined);
        View->Methods->DrawStandardDeviationInColumn(&undefined);
    }
    EXPECT_TRUE(nan.AllFinite());
}

TEST_F(TableLensView, ASecondDatasetStartsAfresh)
{
    Click(ColumnMiddle(2), BodyY());
    Move(ColumnMiddle(2), RowY(2));
    auto other = MakeUnitScaleData({"x", "y"}, {{0.1f, 0.2f}, {0.3f, 0.4f}});
    Controller->BindData(other.get());
    ASSERT_TRUE(View->SetPreProcessedData(other.get()));
    EXPECT_EQ(View->TableLensColumnsList.IndexOfColumnOverWhichTheMouseIs, -1);
    EXPECT_EQ(View->TableLensColumnsList.IndexOfDimensionToBaseOrder, 0);
    EXPECT_EQ(View->TableLensRecordList.OrderedBy, 0);
    EXPECT_EQ(View->TableLensRecordList.HoveredRow, -1);
    int dimension = 7;
    View->GetDimensionAtPosition(dimension, 0, 0);
    EXPECT_EQ(dimension, -1);
    const TRecordingDrawing r = Paint();
    EXPECT_EQ(ValuesShown(r, 1), (std::vector<float>{0.3f, 0.4f}));
    View.reset();
}

// ---- small and degenerate tables

TEST_F(TableLensView, NoneOneOrTwoRecordsDrawNothingInvertedOrOverTheFooter)
{
    for (int records : {0, 1, 2}) {
        std::vector<std::vector<float>> columns(3, std::vector<float>(records, 0.5f));
        for (int height : {1566, 200, 60}) {
            Open({"a", "b", "c"}, columns, height);
            Move(ColumnMiddle(0), View->SpaceHeight - 10);  // on a header: its hint shows
            const TRecordingDrawing r = Paint();
            EXPECT_TRUE(r.AllFinite());
            EXPECT_EQ(Bars(r, 0).size(), std::size_t(records));
            // Bars (within Bars) and the header hint stay above the footer.
            for (const auto* p : r.PrimitivesMeaning(TMeaning::Label))
                for (const auto& v : p->Vertices) EXPECT_GT(v.Y, 40.0f) << records << " records, height " << height;
            // The column bodies are never inverted.
            for (const auto* p : r.PrimitivesOf(TPrimitive::LineLoop)) {
                EXPECT_LE(p->Vertices[1].Y, p->Vertices[0].Y);
            }
        }
    }
}

TEST_F(TableLensView, ConstantColumnAndManyDimensionsStayFinite)
{
    Open({"c", "v"}, {{0, 0, 0}, {0.2f, 0.4f, 0.6f}});
    View->DrawModeFrequencyClick();
    Move(ColumnMiddle(0), 100);
    EXPECT_TRUE(Paint().AllFinite());

    // 300 dimensions: columns of 2 units, no value under the pointer anywhere.
    std::vector<std::string> names(300, "dimension");
    std::vector<std::vector<float>> columns(300, std::vector<float>{0, 0.5f, 1});
    Open(names, columns);
    for (ENUM_drawModes mode : {drawmodeNormal, drawmodeFreq, drawmodeRelev}) {
        View->SetDrawMode(mode);
        const int x = ColumnMiddle(150);
        Click(x, HeaderY(), mode == drawmodeRelev ? Qt::NoModifier : Qt::ControlModifier);
        Click(x, BodyY(), Qt::ControlModifier);
        Move(x, RowY(1));
        EXPECT_EQ(View->GetValueAtPosition(x, HeaderY()), -1.0f);
        const TRecordingDrawing r = Paint();
        EXPECT_TRUE(r.AllFinite()) << mode;
        for (const TBar& b : Bars(r, 150)) EXPECT_LE(b.X0, b.X1);
    }
    EXPECT_EQ(Controller->NumberOfSelections(), 0);
    EXPECT_EQ(Data->RelevanceDimensionCount, 0);
    EXPECT_EQ(Controller->GetWhereClause().find("nan"), std::string::npos);
}

// ---- scrolling

class TableLensScrolling : public TableLensFixture {
protected:
    void SetUp() override
    {
        std::vector<float> key(300);
        for (int k = 0; k < 300; ++k) key[k] = float(k) / 299.0f;
        Open({"key", "other"}, {key, key}, 600);
    }
};

TEST_F(TableLensScrolling, ScrollBarWheelAndKeysMoveTheRowsWhileHeadersAndFooterStay)
{
    const TTableLensRowLayout& layout = View->RowLayout();
    EXPECT_EQ(View->SpaceHeight, 600);
    EXPECT_TRUE(View->VerticalScrollBar()->isVisibleTo(View.get()));
    EXPECT_EQ(layout.MaxScroll(), 32 + 300 * 15 + 41 - 600);
    EXPECT_EQ(View->VerticalScrollBar()->maximum(), layout.MaxScroll());

    QWheelEvent wheel(QPointF(100, 300), QPointF(100, 300), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(View.get(), &wheel);
    EXPECT_EQ(View->Scroll(), 45);  // three rows a notch
    EXPECT_EQ(View->VerticalScrollBar()->value(), 45);
    View->VerticalScrollBar()->setValue(1000);
    EXPECT_EQ(View->Scroll(), 1000);

    const TRecordingDrawing r = Paint();
    // Headers at the top and the footer at the bottom, whatever the scroll.
    EXPECT_EQ(r.TextsContaining("key")[0]->Y, float(View->SpaceHeight - 16));
    bool footer = false;
    for (const auto* p : r.PrimitivesOf(TPrimitive::LineLoop))
        if (p->Vertices.size() == 4 && p->Vertices[0].Y == 40 && p->Vertices[2].Y == 0) footer = true;
    EXPECT_TRUE(footer);
    const std::vector<TBar> bars = Bars(r, 0);
    ASSERT_FALSE(bars.empty());
    for (const TBar& b : bars) {
        EXPECT_GE(b.Y0, 41.0f);
        EXPECT_LE(b.Y1, float(View->SpaceHeight - 32));
    }
    // Only the visible rows: 1000 / 15 rows scrolled past, about (600 − 73) / 15 shown.
    EXPECT_LE(bars.size(), std::size_t(37));
    EXPECT_NEAR(ValuesShown(r, 0).front(), 66.0f / 299.0f, 0.002f);

    // The row under a resting pointer follows the scroll.
    Move(100, 300);
    const std::int64_t before = View->TableLensRecordList.HoveredRow;
    QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(View.get(), &down);
    EXPECT_GT(View->TableLensRecordList.HoveredRow, before + 20);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(View.get(), &end);
    EXPECT_EQ(View->Scroll(), layout.MaxScroll());
    const std::vector<TBar> last = Bars(Paint(), 0);
    EXPECT_EQ(last.back().Y0, 41.0f);  // the last row whole, just above the footer
    EXPECT_EQ(last.back().Y1, 56.0f);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QCoreApplication::sendEvent(View.get(), &home);
    EXPECT_EQ(View->Scroll(), 0);
}

TEST_F(TableLensScrolling, ThicknessKeepsTheTopRowAndBandsShrinkTheScrollRange)
{
    View->ScrollTo(150 * 15);
    EXPECT_EQ(View->RowLayout().FirstVisible(), 150);
    View->SetThickness(4);
    EXPECT_EQ(View->RowLayout().FirstVisible(), 150);
    // A band holding a tenth of the records leaves a table that fits.
    View->SetThickness(15);
    Click(XOfValue(1, 0.1f), 100, Qt::ControlModifier);
    Drag(XOfValue(1, 0.1f), XOfValue(1, 0.19f), 100);
    Paint();
    EXPECT_EQ(View->Scroll(), 0);
    EXPECT_FALSE(View->VerticalScrollBar()->isVisibleTo(View.get()));
}

// The counting pass over ranks against a plain stable sort of the order shown before.
TEST_F(TableLensFixture, OrderingMatchesAStableSortOfThePreviousOrder)
{
    const int n = 600;
    std::vector<std::vector<float>> columns(3, std::vector<float>(n));
    for (int k = 0; k < n; ++k) {
        columns[0][k] = float(k % 7) / 6.0f;
        columns[1][k] = float((k * 37) % 11) / 10.0f;
        columns[2][k] = float((k * 91) % 600) / 599.0f;  // distinct: identifies the record
    }
    Open({"a", "b", "key"}, columns);
    View->SetThickness(1);
    std::vector<int> model(n);
    for (int k = 0; k < n; ++k) model[k] = k;
    for (int d : {1, 0, 2, 1, 0}) {
        Click(ColumnMiddle(d), 45);
        std::stable_sort(model.begin(), model.end(), [&](int a, int b) { return columns[d][a] < columns[d][b]; });
        const std::vector<float> keys = ValuesShown(Paint(), 2);
        ASSERT_EQ(keys.size(), std::size_t(n));
        for (int k = 0; k < n; ++k)
            ASSERT_NEAR(keys[k], columns[2][model[k]], 1e-3f) << "after ordering by " << d << ", row " << k;
    }
}

TEST_F(TableLensFixture, ColumnNamesAreCutByWholeCharactersToTheColumnWidth)
{
    const std::vector<std::string> names = {"Gr\xC3\xB6\xC3\x9F" "e_und_Gewicht_des_Wagens", "Miles_per_Gallon_in_the_city",
                                            "x"};
    for (int count : {3, 12, 40}) {
        std::vector<std::string> columnNames;
        for (int i = 0; i < count; ++i) columnNames.push_back(names[i % names.size()]);
        Open(columnNames, std::vector<std::vector<float>>(count, std::vector<float>{0.5f}));
        const TRecordingDrawing r = Paint();
        for (int i = 0; i < count; ++i) {
            const TTableLensColumn& c = View->TableLensColumnsList.Column(i);
            const float pixels = c.Range / View->PixelsAcross(1);
            int drawn = 0;
            for (const TRecordedText* t : r.TextsMeaning(TMeaning::Label)) {
                if (t->Y != float(View->SpaceHeight - 16) || t->X < c.PosX0 || t->X > c.PosX1) continue;
                ++drawn;
                EXPECT_EQ(columnNames[i].rfind(t->Text, 0), 0u) << t->Text;  // a prefix
                EXPECT_TRUE(IsValidUtf8Text(t->Text)) << t->Text;
                EXPECT_LE(8.0f * float(DecodeTextBytes(t->Text).size()), pixels);
            }
            EXPECT_LE(drawn, 1) << "one text per name, column " << i;
            if (pixels >= 60) {
                EXPECT_EQ(drawn, 1) << count;
            }
        }
    }
}

// The controller is shared: after another view painted, a click here still makes and moves
// this view's bands.
TEST_F(TableLensView, ClicksUseThisViewsBandsAfterAnotherViewPainted)
{
    TParallelCoordinates other;
    other.resize(800, 600);
    ASSERT_TRUE(other.SetPreProcessedData(Data.get()));
    other.SetSelectionsController(Controller.get());
    other.Repaint();
    Click(XOfValue(1, 0.3f), BodyY(), Qt::ControlModifier);
    TSelectionsList* list = Controller->GetSelectionsList(1);
    ASSERT_EQ(list->Count(), 1);
    EXPECT_NEAR(list->GetSelection(0)->MinNormalized(), 0.3f, 0.01f);
    other.Repaint();
    Drag(XOfValue(1, 0.3f), XOfValue(1, 0.7f), BodyY());
    EXPECT_NEAR(list->GetSelection(0)->MaxNormalized(), 0.7f, 0.01f);
    EXPECT_NEAR(list->GetSelection(0)->MinNormalized(), 0.3f, 0.01f);
}

TEST_F(TableLensView, TheHoveredRowLeavesStatisticsBandOutlinesAndRelevanceMarkersOverIt)
{
    // A band on gamma, the average of every column, a relevance point on alpha.
    Click(XOfValue(2, 0.4f), BodyY(), Qt::ControlModifier);
    Drag(XOfValue(2, 0.4f), XOfValue(2, 1.0f) + 20, BodyY());  // records 2, 1, 3
    ASSERT_EQ(Controller->NumberOfSelections(), 1);
    View->AverageAllClick();
    View->DrawModeRelevanceClick();
    Data->SetRelevancePoint(0, 0.5f);
    Data->ComputeRecordRelevance();
    Paint();
    Move(ColumnMiddle(0), RowY(1) + 5);
    const std::int64_t hovered = View->TableLensRecordList.HoveredRow;
    ASSERT_GE(hovered, 0);
    const float rowLow = float(View->RowLayout().PosY(hovered));
    const float rowHigh = rowLow + View->Thickness();

    // What a pointer move draws over the kept picture: the overlay alone.
    TRecordingDrawing r;
    {
        TCurrentDrawing current(r);
        View->PaintOverlay();
    }
    int lastBar = -1;
    for (const TRecordedPrimitive* p : r.PrimitivesMeaning(TMeaning::Record)) lastBar = std::max(lastBar, p->Sequence);
    ASSERT_GE(lastBar, 0) << "the hovered row is drawn";
    struct TCase {
        TMeaning Meaning;
        const char* Name;
    };
    for (const TCase& c : {TCase{TMeaning::Statistic, "statistics line"}, TCase{TMeaning::Brush, "band outline"},
                           TCase{TMeaning::Marker, "relevance marker"}}) {
        // A vertical line drawn after the row's bars that spans the row.
        bool over = false;
        for (const TRecordedPrimitive* p : r.PrimitivesMeaning(c.Meaning)) {
            if (p->Sequence < lastBar || p->Kind == TPrimitive::Quads) continue;
            for (const TRecordedVertex& a : p->Vertices)
                for (const TRecordedVertex& b : p->Vertices)
                    over |= a.X == b.X && a.Y <= rowLow && rowHigh <= b.Y;
        }
        EXPECT_TRUE(over) << c.Name << " broken at the hovered row";
    }
}

TEST_F(TableLensView, AScrollBarThatComesOrGoesWithinAPaintLeavesThatFrameAtTheNewWidth)
{
    // 200 rows need a scroll bar; a band holding 10 of them does not.
    std::vector<float> values(200);
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = float(k) / 199.0f;
    Open({"a", "b"}, {values, values});
    View->show();  // the scroll bar shows only on a visible view
    Paint();
    ASSERT_TRUE(View->VerticalScrollBar()->isVisible());
    for (const bool brushed : {true, false}) {
        SCOPED_TRACE(brushed ? "brushed to 10 rows" : "every row again");
        // Changed without a paint, as another view of the workspace changes the brushes.
        if (brushed)
            AddSelectionOver(*Controller->GetSelectionsList(0), Data.get(), 0.0f, 9.5f / 199.0f);
        else
            Controller->RemoveAllSelections();
        const TRecordingDrawing r = Paint();
        EXPECT_EQ(View->VerticalScrollBar()->isVisible(), !brushed);
        const std::string viewport = "Viewport(0,0," + std::to_string(View->DrawWidth()) + "," +
                                     std::to_string(View->height()) + ")";
        std::string last;
        for (const std::string& call : r.Calls)
            if (call.rfind("Viewport(", 0) == 0) last = call;
        EXPECT_EQ(last, viewport);
        EXPECT_EQ(r.CountCalls(viewport), r.CountCalls("Viewport(")) << "the whole frame at one width";
    }
    View->hide();
}
