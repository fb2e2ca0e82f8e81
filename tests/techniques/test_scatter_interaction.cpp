// The pointer over the scatter plot matrix: boxes on the diagonal cells, relevance points,
// and which pointer moves repaint what.
#include <cmath>

#include "techniques/parallel/ParallelCoordinates.h"
#include "tests/techniques/ScatterFixture.h"

namespace {
const TOpenGLColor Red(1, 0, 0);

class ScatterInteraction : public ScatterFixture {
protected:
    TScatterRect Diagonal(int d) const { return View->Layout.Cell(d, d); }
    TSelectionsList* List(int d) const { return Controller->GetSelectionsList(d); }
    long long Paints() const { return View->ScreenPaints + View->OffScreenPaints; }
};
} // namespace

TEST_F(ScatterInteraction, CtrlClickOnADiagonalCellGivesARedBoxOverTheLowerHalf)
{
    const TScatterRect cell = Diagonal(2);
    // Away from any box: the upper right part of the cell.
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ControlModifier);
    ASSERT_EQ(List(2)->Count(), 1);
    const TSelectioner* s = List(2)->GetSelection(0);
    EXPECT_EQ(List(2)->FocusIndex(), 0);
    EXPECT_FLOAT_EQ(s->MinNormalized(), 0.0f);
    EXPECT_FLOAT_EQ(s->MaxNormalized(), 0.5f);
    EXPECT_FLOAT_EQ(s->MaxValue, 5.0f);

    const TRecordingDrawing r = Paint();
    const auto box = r.SegmentsMeaning(TMeaning::Brush);
    ASSERT_EQ(box.size(), 4u);
    const TValueScale x = View->Layout.CellXScale(2), y = View->Layout.CellYScale(2);
    for (const TRecordedSegment& segment : box) {
        EXPECT_TRUE(TRecordingDrawing::SameColor(segment.A.Color, Red));
        for (const TRecordedVertex& v : {segment.A, segment.B}) {
            EXPECT_TRUE(v.X == float(x.ToLogicalInt(0)) || v.X == float(x.ToLogicalInt(0.5f)));
            EXPECT_TRUE(v.Y == float(y.ToLogicalInt(0)) || v.Y == float(y.ToLogicalInt(0.5f)));
        }
    }
    // Only the records with gamma in [0, 0.5] are drawn: records 0 and 2.
    EXPECT_EQ(PointsIn(r, View->Layout.Cell(4, 0)).size(), 2u);
}

TEST_F(ScatterInteraction, ResizingPastTheCellsCornerStopsOneUnitBeyondThePlottedRange)
{
    const TScatterRect cell = Diagonal(1);
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ControlModifier);
    TSelectioner* s = List(1)->GetSelection(0);
    Paint();
    // A plain click at the cell's top right corner moves the box's upper-right corner.
    Click(cell.X1 - 1, cell.Y1 - 1);
    const TScatterLayout& l = View->Layout;
    EXPECT_EQ(s->XMax, int(float(cell.X0) + l.CellWidth - 3));
    EXPECT_EQ(s->YMax, int(float(cell.Y0) + l.CellHeight - 3));
    EXPECT_GT(s->MaxNormalized(), 1.0f);
    EXPECT_LT(s->MaxNormalized(), 1.01f);
    // The lower-left corner sat on the plotted range's start: it too ends one unit beyond.
    EXPECT_LT(s->MinNormalized(), 0.0f);
    EXPECT_GT(s->MinNormalized(), -0.01f);

    // Wider than tall: the horizontal extent gives the range; the box is square again after
    // the next paint.
    Click(cell.X0 + 2, cell.Y0 + 100);
    // The lower-left corner went to the left border (one unit beyond value 0) and 100 up.
    EXPECT_NEAR(s->MinNormalized(), l.CellXScale(1).ToValue(float(cell.X0 + 3)), 1e-5f);
    EXPECT_LT(s->MinNormalized(), 0.0f);
    EXPECT_EQ(s->YMin, l.CellYScale(1).ToLogicalInt(s->MinNormalized()));
}

TEST_F(ScatterInteraction, ClicksOffTheDiagonalLeaveTheBrushesAsTheyWere)
{
    const TScatterRect cell = Diagonal(2);
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ControlModifier);
    const TSelectioner* s = List(2)->GetSelection(0);
    Paint();
    const TScatterRect off = View->Layout.Cell(3, 1);
    for (Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                       Qt::KeyboardModifiers(Qt::NoModifier)})
        Click(off.X0 + 30, off.Y0 + 30, keys);
    EXPECT_EQ(Controller->NumberOfSelections(), 1);
    EXPECT_FLOAT_EQ(s->MaxNormalized(), 0.5f);
    EXPECT_FLOAT_EQ(s->MinNormalized(), 0.0f);

    // Shift+click inside the diagonal cell removes the focused box.
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ShiftModifier);
    EXPECT_EQ(List(2)->Count(), 0);
}

TEST_F(ScatterInteraction, ABoxFromAnotherViewIsDrawnWithinItsCell)
{
    List(2)->AddNewSelection(0, 0);
    TSelectioner* s = List(2)->GetSelection(0);
    const TScatterRect cell = Diagonal(2);
    struct Case {
        float Min, Max;
    };
    for (const Case c : {Case{-0.5f, 1.5f}, Case{0.8f, 0.2f}, Case{3.0f, 4.0f}}) {
        s->SetNormalizedRange(c.Min, c.Max);
        Paint();
        EXPECT_LE(s->XMin, s->XMax);
        EXPECT_LE(s->YMin, s->YMax);
        EXPECT_GE(s->XMin, cell.X0);
        EXPECT_LE(s->XMax, cell.X1);
        EXPECT_GE(s->YMin, cell.Y0);
        EXPECT_LE(s->YMax, cell.Y1);
    }
}

TEST_F(ScatterInteraction, NarrowCellsResizeWithoutDividingByZero)
{
    // 300 dimensions: cells about 4 units wide.
    std::vector<std::string> names(300, "d");
    std::vector<std::vector<float>> columns(300, {0, 1});
    Open(names, columns);
    const TScatterRect cell = Diagonal(150);
    ASSERT_LE(View->Layout.CellWidth, 8.0f);
    Click(cell.X0, cell.Y0, Qt::ControlModifier);
    TSelectioner* s = List(150)->GetSelection(0);
    ASSERT_NE(s, nullptr);
    Paint();
    Click(cell.X1 - 1, cell.Y1 - 1);
    EXPECT_TRUE(std::isfinite(s->MaxNormalized()));
    EXPECT_TRUE(std::isfinite(s->MinNormalized()));
    EXPECT_LE(s->MinNormalized(), s->MaxNormalized());
}

TEST_F(ScatterInteraction, ARelevancePointIsReadOnlyInsideTheDiagonalCellUnderThePointer)
{
    View->DrawModeRelevanceClick();
    const TScatterRect cell = Diagonal(2);
    Click(cell.X0 + int(View->Layout.CellWidth / 2), cell.Y0 + 20);
    EXPECT_FLOAT_EQ(Data->GetRelevanceValue(2), 0.5f);

    // A click in a cell off the diagonal, and a release in empty space after leaving a
    // diagonal cell, set nothing.
    const TScatterRect off = View->Layout.Cell(3, 1);
    Click(off.X0 + 30, off.Y0 + 30);
    EXPECT_EQ(Data->GetRelevanceValue(1), -1.0f);
    MoveInto(4, 4);
    Move(View->SpaceWidth - 3, 10);  // right of the bottom row: no cell
    View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, View->SpaceWidth - 3, WidgetY(10));
    EXPECT_EQ(Data->GetRelevanceValue(4), -1.0f);
}

TEST_F(ScatterInteraction, PointerMovesRepaintOnlyWhatTheyChange)
{
    MoveInto(2, 1);
    long long paints = Paints(), overlays = View->OverlayPaints;
    // Inside the same cell: nothing changes, nothing is painted.
    const TScatterRect cell = View->Layout.Cell(2, 1);
    Move(cell.X0 + 3, cell.Y0 + 3);
    EXPECT_EQ(Paints(), paints);
    EXPECT_EQ(View->OverlayPaints, overlays);
    // Inside the zoom cell: only the overlay, once per move.
    const TScatterRect zoom = View->Layout.Zoom();
    Move(zoom.X0 + 10, zoom.Y0 + 10);  // leaves the cell: its green frame goes, full paint
    paints = Paints();
    overlays = View->OverlayPaints;
    Move(zoom.X0 + 20, zoom.Y0 + 10);
    Move(zoom.X0 + 30, zoom.Y0 + 10);
    EXPECT_EQ(Paints(), paints);
    EXPECT_EQ(View->OverlayPaints, overlays + 2);
    // Into another cell: one full paint.
    MoveInto(0, 0);
    EXPECT_EQ(Paints(), paints + 1);
    EXPECT_EQ(View->ScatterCellsList->ZoomCell.PointerX, -1);
}

TEST_F(ScatterInteraction, ABrushDragStepPaintsOnce)
{
    const TScatterRect cell = Diagonal(2);
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ControlModifier);
    Paint();
    View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, cell.X0 + 100, WidgetY(cell.Y0 + 100));
    const long long paints = Paints();
    Move(cell.X0 + 120, cell.Y0 + 120, Qt::LeftButton);
    EXPECT_EQ(Paints(), paints + 1);
}

TEST_F(ScatterInteraction, ADragAfterAnotherViewPaintedResizesTheBoxOfThisView)
{
    const TScatterRect cell = Diagonal(2);
    Click(cell.X1 - 20, cell.Y1 - 20, Qt::ControlModifier);
    View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, cell.X0 + 100, WidgetY(cell.Y0 + 100));
    // A parallel coordinates view of the same workspace paints now: the shared controller
    // holds its callbacks until this view's handlers take it back.
    TParallelCoordinates other;
    ASSERT_TRUE(other.SetPreProcessedData(Data.get()));
    other.SetSelectionsController(Controller.get());
    other.Repaint();
    Move(cell.X1 - 1, cell.Y1 - 1, Qt::LeftButton);
    ASSERT_EQ(Controller->NumberOfSelections(), 1);
    const TSelectioner* s = List(2)->GetSelection(0);
    // The box's upper-right corner went to the cell's corner: just beyond value 1.
    EXPECT_GT(s->MaxNormalized(), 1.0f);
    EXPECT_EQ(s->XMax, int(float(cell.X0) + View->Layout.CellWidth - 3));
}
