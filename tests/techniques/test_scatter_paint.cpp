// What the scatter plot matrix draws: the cells and the zoom cell with its read-outs, the
// draw modes, the time window, statistics marks, labels, and a second dataset.
#include <algorithm>
#include <cmath>

#include <QSlider>

#include "tests/techniques/ScatterFixture.h"
#include "vis/UTrackBarForm.h"

namespace {
const TOpenGLColor Blue(0, 0, 1);
const TOpenGLColor Red(1, 0, 0);

bool Near(float a, float b) { return std::fabs(a - b) < 1e-3f; }
} // namespace

TEST_F(ScatterFixture, EveryPairIsACellAndTheZoomCellShowsTheLastCellWithItsReadOuts)
{
    // Column dimension 3 in units 0 … 20, line dimension 1 in 0 … 10.
    Data->GetDimension(3)->SetHighLow(20.0f, 0.0f);
    Data->GetDimension(3)->ValueRange = 20.0f;

    TRecordingDrawing r = Paint();
    ASSERT_EQ(View->ScatterCellsList->Count(), 15);
    // 15 cells × 4 records, all blue, in their cells; nothing in the zoom cell yet.
    EXPECT_EQ(RecordPoints(r).size(), 60u);
    for (const TRecordedPoint& p : RecordPoints(r)) EXPECT_TRUE(TRecordingDrawing::SameColor(p.V.Color, Blue));
    EXPECT_EQ(PointsIn(r, {780, 626, 1279, 1022}).size(), 0u);
    // Cell (3, 1), record 1: (0.4, 0) at (280 + 4 + 0.4 × 242, 228 + 4 + 0 × 190.8).
    const TScatterRect cell = View->Layout.Cell(3, 1);
    EXPECT_EQ(cell.X0, 280);
    EXPECT_EQ(cell.Y0, 228);
    const auto inCell = PointsIn(r, cell);
    ASSERT_EQ(inCell.size(), 4u);
    EXPECT_TRUE(Near(inCell[1].V.X, 284.0f + 0.4f * 242.0f));
    EXPECT_TRUE(Near(inCell[1].V.Y, 232.0f));

    MoveInto(3, 1);
    EXPECT_EQ(View->DimensionUnderMouse, 1);  // read in the same move
    Move(1029, 824);
    const TScatterZoomCell& zoom = View->ScatterCellsList->ZoomCell;
    EXPECT_EQ(zoom.PointerX, 1029);
    EXPECT_EQ(zoom.PointerY, 824);
    r = Paint();
    const auto inZoom = PointsIn(r, {780, 626, 1279, 1022});
    ASSERT_EQ(inZoom.size(), 4u);
    EXPECT_TRUE(Near(inZoom[3].V.X, 784.0f + 0.8f * 491.0f));
    EXPECT_TRUE(Near(inZoom[3].V.Y, 630.0f + 0.75f * 388.6f));
    EXPECT_EQ(inZoom[3].State.PointSize, 6.0f);  // point size 3 + 3
    // Read-outs: column 20 × 249 / 499, line 10 × 198 / 396.6.
    EXPECT_TRUE(r.HasText(FormatFloat("0.##", 20.0f * 249.0f / 499.0f)));
    EXPECT_TRUE(r.HasText(FormatFloat("0.##", 10.0f * 198.0f / 396.6f)));
    // Low and high values and the names of the zoom cell's dimensions.
    EXPECT_TRUE(r.HasText("20"));
    // The cross-hair is the overlay: a blue square and two stippled lines.
    const auto overlay = r.PrimitivesMeaning(TMeaning::Overlay);
    ASSERT_FALSE(overlay.empty());
    bool stippled = false;
    for (const TRecordedSegment& s : r.SegmentsMeaning(TMeaning::Overlay)) stippled |= s.State.Stippled;
    EXPECT_TRUE(stippled);
    TRecordingDrawing withoutOverlay = Paint(false);
    EXPECT_TRUE(withoutOverlay.PrimitivesMeaning(TMeaning::Overlay).empty());
}

TEST_F(ScatterFixture, WithTwoDimensionsOrOneTheZoomAreaStaysEmpty)
{
    for (int n : {2, 1}) {
        SCOPED_TRACE(n);
        std::vector<std::string> names(n, "d");
        std::vector<std::vector<float>> columns(n, {0, 0.5f, 1});
        Open(names, columns);
        MoveInto(0, 0);
        // Over the top right, where a zoom cell would be, and back into empty space.
        Move(View->SpaceWidth - 5, View->SpaceHeight - 5);
        EXPECT_EQ(View->ScatterCellsList->ZoomCell.PointerX, -1);
        Move(10, 10);  // the corner of the margins: no cell
        const TRecordingDrawing r = Paint();
        EXPECT_EQ(RecordPoints(r).size(), 3u * n * (n + 1) / 2);
        EXPECT_TRUE(r.PrimitivesMeaning(TMeaning::Overlay).empty());
        // Frames: the border and the cells; the zoom cell draws none.
        EXPECT_EQ(r.PrimitivesMeaning(TMeaning::Frame).size(), 1u + n * (n + 1) / 2);
        for (const TRecordedText& t : r.Texts) {
            EXPECT_GE(t.X, 0.0f) << t.Text;
            EXPECT_GE(t.Y, 0.0f) << t.Text;
        }
    }
}

TEST_F(ScatterFixture, FrequencyModeColoursAndSizesPointsByTheirPairsWeights)
{
    View->DrawModeFrequencyClick();
    // Record 0: weight 1 on both dimensions of cell (1, 0); record 1: 0.3 on both.
    for (int d : {0, 1}) {
        Data->GetDimension(d)->Weights = {1.0f, 0.3f, 0.3f, 0.3f};
    }
    Data->FrequencyValuesTimeStamp = NewChangeStamp();
    const TRecordingDrawing r = Paint();
    const auto points = PointsIn(r, View->Layout.Cell(1, 0));
    ASSERT_EQ(points.size(), 4u);
    // Small points first: records 1, 2, 3 at 0.4 × 3, then record 0 at 4 × 3.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(TRecordingDrawing::SameColor(points[i].V.Color, TOpenGLColor(1, 0.9f, 0.9f)));
        EXPECT_FLOAT_EQ(points[i].State.PointSize, 1.2f);
    }
    EXPECT_TRUE(TRecordingDrawing::SameColor(points[3].V.Color, Red));
    EXPECT_FLOAT_EQ(points[3].State.PointSize, 12.0f);
    EXPECT_TRUE(Near(points[3].V.X, View->Layout.CellXScale(1).ToLogical(1.0f)));  // record 0: beta 1
}

TEST_F(ScatterFixture, RelevanceSizesStayBoundedAndPointsOfSizeZeroAreNotDrawn)
{
    View->DrawModeRelevanceClick();
    TRecordingDrawing r = Paint();
    // No relevance point anywhere: every point has size 0 and none is drawn.
    EXPECT_TRUE(RecordPoints(r).empty());

    Data->SetRelevancePoint(0, 0.5f);
    // Relevances and coefficients far outside [0, 1], as a summed or broken value could be.
    Data->GetDimension(0)->Relevances = {50.0f, -3.0f, 0.5f, 1.0f};
    const float coefficients[] = {40.0f, -2.0f, 0.5f, 1.0f};
    for (int k = 0; k < 4; ++k) Data->RecordByIndex(k)->RecordRelevanceCoefficiente = coefficients[k];
    Data->RelevanceValuesTimeStamp = NewChangeStamp();
    MoveInto(0, 0);
    r = Paint();
    const auto points = RecordPoints(r);
    ASSERT_FALSE(points.empty());
    for (const TRecordedPoint& p : points) {
        EXPECT_GT(p.State.PointSize, 0.0f);
        EXPECT_LE(p.State.PointSize, 20.0f);
        for (float c : {p.V.Color.C1, p.V.Color.C2, p.V.Color.C3}) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LE(c, 1.0f);
        }
    }
    // Cells showing dimension 0: records 0, 2, 3 (record 1's relevance counts as 0); at most 10.
    const auto diagonal = PointsIn(r, View->Layout.Cell(0, 0));
    EXPECT_EQ(diagonal.size(), 3u);
    // The yellow relevance point, on the diagonal cell and in the zoom cell showing it.
    EXPECT_EQ(r.PointsMeaning(TMeaning::Marker).size(), 2u);
    for (const TRecordedPoint& p : diagonal) EXPECT_LE(p.State.PointSize, 10.0f);
}

TEST_F(ScatterFixture, EqualCoefficientsKeepTheRecordOrderFromPaintToPaint)
{
    Data->SetRelevancePoint(0, 0.5f);
    for (TPreProcessedRecord* record : Data->ListOfPreprocessedRecords) record->RecordRelevanceCoefficiente = 0.5f;
    Data->RelevanceValuesTimeStamp = NewChangeStamp();
    View->DrawModeRelevanceClick();
    const TRecordList before = Data->ListOfPreprocessedRecords;
    const auto stamp = Data->RecordOrderStamp;
    const auto first = PointsIn(Paint(), View->Layout.Cell(0, 0));
    const auto second = PointsIn(Paint(), View->Layout.Cell(0, 0));
    EXPECT_EQ(Data->ListOfPreprocessedRecords, before);
    EXPECT_EQ(Data->RecordOrderStamp, stamp);
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].V.X, second[i].V.X);
    // The columns are laid out once and kept while nothing changes.
    const long long layouts = View->ScatterCellsList->RecordLayouts;
    Paint();
    EXPECT_EQ(View->ScatterCellsList->RecordLayouts, layouts);
}

TEST_F(ScatterFixture, TheSmallCellsHideRecordsOutsideTheTimeWindowTheZoomCellShowsThem)
{
    Data->TimeDiscreteRange = 2;
    Data->SetTimeMoment(1);  // records 0 and 1
    MoveInto(2, 1);
    const TRecordingDrawing r = Paint();
    EXPECT_EQ(PointsIn(r, View->Layout.Cell(2, 1)).size(), 2u);
    const TScatterRect zoom = View->Layout.Zoom();
    EXPECT_EQ(PointsIn(r, zoom).size(), 4u);
}

TEST_F(ScatterFixture, StatisticsMarksAppearOnceThePointerHasBeenOverACell)
{
    View->AverageAllClick();
    TRecordingDrawing r = Paint();
    EXPECT_TRUE(r.PointsMeaning(TMeaning::Statistic).empty());

    MoveInto(3, 1);
    r = Paint();
    const auto marks = r.PointsMeaning(TMeaning::Statistic);
    // One mark per diagonal cell, and one more in the zoom cell for line dimension 1.
    ASSERT_EQ(marks.size(), 6u);
    const TScatterLayout& l = View->Layout;
    const float average1 = (1 + 0 + 0.5f + 0.75f) / 4;
    int inZoom = 0;
    for (const TRecordedPoint& p : marks) {
        EXPECT_EQ(p.State.PointSize, 6.0f);
        EXPECT_EQ(p.V.Z, 1.0f);
        if (Near(p.V.X, float(l.ZoomLeft) + average1 * l.ZoomWidth)) {
            EXPECT_TRUE(Near(p.V.Y, float(l.ZoomBottom) + average1 * l.ZoomHeight));
            ++inZoom;
        }
    }
    EXPECT_EQ(inZoom, 1);
    EXPECT_TRUE(TRecordingDrawing::SameColor(marks.front().V.Color, TOpenGLColor(0, 1, 0)));
}

TEST_F(ScatterFixture, LabelsAreCutToTheWindowsPixelsAndReadOutsOfAConstantColumnShowItsValue)
{
    Open({"averyveryverylongname", "b", "c", "constant"}, {{0, 1}, {0, 1}, {0, 1}, {0, 0}});
    Data->GetDimension(3)->SetHighLow(7.0f, 7.0f);
    Data->GetDimension(3)->ValueRange = 1.0f;
    // A tab a quarter of the space wide: a cell of 312 units is 78 pixels, 9 characters.
    View->resize(View->SpaceWidth / 4, View->SpaceHeight / 4);
    TRecordingDrawing r = Paint();
    const float cellPixels = float(View->Layout.Cell(0, 0).X1 - View->Layout.Cell(0, 0).X0) / 4.0f;
    const std::string cut = std::string("averyveryverylongname").substr(0, std::size_t(cellPixels / 8));
    EXPECT_TRUE(r.HasText(cut));
    EXPECT_FALSE(r.HasText(cut + "v"));

    // The zoom cell on (constant, b): wherever the pointer, the constant reads 7.
    View->resize(View->SpaceWidth, View->SpaceHeight);
    MoveInto(3, 1);
    const TScatterRect zoom = View->Layout.Zoom();
    Move(zoom.X0 + 10, zoom.Y0 + 10);
    EXPECT_FLOAT_EQ(View->ScatterCellsList->ZoomCell.ColumnValueAt(zoom.X0 + 10), 7.0f);
    EXPECT_FLOAT_EQ(View->ScatterCellsList->ZoomCell.ColumnValueAt(zoom.X1 - 1), 7.0f);
}

TEST_F(ScatterFixture, ShowingOrHidingCellIndexesRepaintsAtOnce)
{
    // Not only when the pointer enters another cell: the click itself paints the view.
    for (const bool shown : {true, false}) {
        const long long before = View->ScreenPaints + View->OffScreenPaints;
        View->ShowCellsIndexesClick();
        EXPECT_EQ(View->CellsIndexesItem->isChecked(), shown);
        EXPECT_EQ(View->ScreenPaints + View->OffScreenPaints, before + 1) << "shown " << shown;
        EXPECT_EQ(Paint().HasText("32"), shown);
    }
}

// Each row's name is written across the top of the row's leftmost cell, whole (as far as
// the cell is wide), not one letter under the other in the narrow left margin.
TEST_F(ScatterFixture, RowNamesStandWholeAcrossTheTopOfTheLeftmostCells)
{
    const std::vector<std::string> names = {"alpha", "beta", "gamma", "delta"};
    Open(names, {{0, 1}, {0, 1}, {1, 0}, {0, 1}});
    const TRecordingDrawing r = Paint();
    const int n = int(names.size());
    for (int line = 0; line < n; ++line) {
        const TScatterRect cell = View->Layout.Cell(n - 1, line);
        int found = 0;
        for (const TRecordedText& t : r.Texts)
            found += t.Text == names[std::size_t(line)] && t.X >= float(cell.X0) && t.X < float(cell.X1) &&
                     t.Y >= float(cell.Y0) && t.Y < float(cell.Y1);
        EXPECT_EQ(found, 1) << names[std::size_t(line)];
    }
    for (const TRecordedText& t : r.Texts)
        if (t.X < float(View->Layout.DiagonalX(n - 1))) EXPECT_GT(t.Text.size(), 1u) << "a lone letter in the left margin";
}

TEST_F(ScatterFixture, CellIndexesAndThePointSizeTracker)
{
    View->ShowCellsIndexesClick();
    EXPECT_TRUE(View->CellsIndexesItem->isChecked());
    TRecordingDrawing r = Paint();
    EXPECT_TRUE(r.HasText("32"));
    EXPECT_TRUE(r.HasText("44"));
    View->ShowCellsIndexesClick();
    EXPECT_FALSE(Paint().HasText("32"));

    View->PointSizeTracker->TrackBarToSet->setValue(7);
    MoveInto(4, 0);
    r = Paint();
    EXPECT_EQ(View->PointSize(), 7.0f);
    EXPECT_EQ(PointsIn(r, View->Layout.Cell(4, 0)).front().State.PointSize, 7.0f);
    EXPECT_EQ(PointsIn(r, View->Layout.Zoom()).front().State.PointSize, 10.0f);
}

TEST_F(ScatterFixture, ASecondDatasetRebuildsTheCellsFromEmpty)
{
    MoveInto(0, 0);
    Click(View->Layout.Cell(0, 0).X0 + 20, View->Layout.Cell(0, 0).Y0 + 20, Qt::ControlModifier);
    Paint();
    auto second = MakeUnitScaleData({"x", "y", "z"}, {{0, 1}, {1, 0}, {0.5f, 0.5f}}, 1.0f);
    ASSERT_TRUE(View->SetPreProcessedData(second.get()));
    Data.reset();  // the first dataset is gone; nothing may refer to it
    EXPECT_EQ(View->ScatterCellsList->Count(), 6);
    EXPECT_FALSE(View->CurrentCellIndexes);
    EXPECT_EQ(View->ScatterCellsList->FocusedCell(), nullptr);
    EXPECT_EQ(View->ScatterCellsList->ZoomCell.CellToDisplay(), nullptr);
    TRecordingDrawing r = Paint();
    EXPECT_EQ(RecordPoints(r).size(), 12u);
    MoveInto(2, 0);
    r = Paint();
    EXPECT_EQ(RecordPoints(r).size(), 14u);  // and the zoom cell's two
    Data = std::move(second);
}
