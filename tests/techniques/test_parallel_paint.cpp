// What the parallel coordinates view draws: records per draw mode, brushes, statistics,
// the relevance overlay, the time window, axis labels.
#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "tests/techniques/ParallelFixture.h"

namespace {
const TOpenGLColor Blue(0, 0, 1);
const TOpenGLColor Green(0, 1, 0);
const TOpenGLColor Red(1, 0, 0);
const TOpenGLColor Yellow(1, 1, 0);

std::vector<float> Sorted(std::vector<float> v)
{
    std::sort(v.begin(), v.end());
    return v;
}
} // namespace

TEST_F(ParallelFixture, WithoutSelectionsEveryRecordIsDrawnInBlueThroughItsValues)
{
    const TRecordingDrawing r = Paint();
    const auto segments = RecordSegments(r);
    ASSERT_EQ(segments.size(), 4u * 2u);  // 4 records × 2 pairs of axes
    for (const auto& s : segments) {
        EXPECT_TRUE(TRecordingDrawing::SameColor(s.A.Color, Blue));
        EXPECT_TRUE(TRecordingDrawing::SameColor(s.B.Color, Blue));
        EXPECT_EQ(s.A.Z, 0.0f);
        EXPECT_EQ(s.State.LineWidth, 1.0f);
    }
    // Record 3: alpha 0.25 → beta 0.75 → gamma 1.
    const auto& first = segments[6];
    EXPECT_FLOAT_EQ(first.A.X, AxisX(0));
    EXPECT_FLOAT_EQ(first.A.Y, 0.25f * View->AxisLength + Margin);
    EXPECT_FLOAT_EQ(first.B.X, AxisX(1));
    EXPECT_FLOAT_EQ(first.B.Y, 0.75f * View->AxisLength + Margin);
    EXPECT_FLOAT_EQ(segments[7].B.Y, 1.0f * View->AxisLength + Margin);
    // Axes over the whole space: x = w/2 + i·w, from Margin to SpaceHeight − Margin.
    const int w = View->SpaceWidth / 3;
    EXPECT_EQ(AxisX(0), w / 2);
    EXPECT_EQ(AxisX(2), w / 2 + 2 * w);
    EXPECT_EQ(r.Calls.front(), "ClearColor(1,1,1,1)");
}

TEST_F(ParallelFixture, ABrushDrawsOnlyTheRecordsInsideInItsColourAndAndCombinesAxes)
{
    // A brush on alpha, then brushes on beta: each in a colour of its own.
    Brush(0, 0.5f, 1.0f);  // records 1 and 2
    TRecordingDrawing r = Paint();
    EXPECT_EQ(Sorted(FirstAxisValuesDrawn(r)), (std::vector<float>{0.5f, 1.0f}));

    Brush(1, 0.0f, 0.25f);  // beta: record 1 only
    r = Paint();
    EXPECT_EQ(FirstAxisValuesDrawn(r), (std::vector<float>{0.5f}));  // AND across the two axes
    // A record takes the colour of the brush that holds it on the last brushed axis: beta's.
    const TOpenGLColor betaColour = *Controller->GetSelectionsList(1)->GetSelection(0)->Color();
    EXPECT_FALSE(TRecordingDrawing::SameColor(betaColour, Blue));
    EXPECT_FALSE(betaColour == *Controller->GetSelectionsList(0)->GetSelection(0)->Color());
    for (const auto& s : RecordSegments(r)) EXPECT_TRUE(TRecordingDrawing::SameColor(s.A.Color, betaColour));

    // A second brush on beta, over record 0 only (beta 1), in a third colour, OR-ed within
    // the axis.
    Brush(1, 0.9f, 1.0f);
    const TOpenGLColor secondColour = *Controller->GetSelectionsList(1)->GetSelection(1)->Color();
    EXPECT_FALSE(secondColour == betaColour);
    r = Paint();
    const auto green = RecordSegments(r);
    std::vector<float> greenFirst;
    for (const auto& s : green)
        if (TRecordingDrawing::SameColor(s.A.Color, secondColour)) greenFirst.push_back(s.A.Y);
    // Record 0 has alpha 0: outside the alpha brush, so AND drops it.
    EXPECT_TRUE(greenFirst.empty());
    View->LogicOrClick();
    r = Paint();
    EXPECT_EQ(Sorted(FirstAxisValuesDrawn(r)), (std::vector<float>{0.0f, 0.5f, 1.0f}));

    // Removing every brush draws every record again, in blue.
    View->RemoveAllSelectionsClick();
    r = Paint();
    EXPECT_EQ(RecordSegments(r).size(), 8u);
    EXPECT_EQ(Sorted(FirstAxisValuesDrawn(r)), (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
}

TEST_F(ParallelFixture, BrushesAreDrawnAsArrowheadsAndABarWithTheirLabels)
{
    Brush(0, 0.5f, 1.0f);
    const TRecordingDrawing r = Paint();
    const auto triangles = r.PrimitivesOf(TPrimitive::Triangles);
    ASSERT_EQ(triangles.size(), 1u);
    const auto& v = triangles[0]->Vertices;
    ASSERT_EQ(v.size(), 6u);
    const float x = AxisX(0);
    EXPECT_FLOAT_EQ(v[0].X, x - 6);
    EXPECT_FLOAT_EQ(v[0].Y, Y(1.0f));
    EXPECT_FLOAT_EQ(v[1].Y, Y(1.0f) - 8);
    EXPECT_FLOAT_EQ(v[4].Y, Y(0.5f) + 8);
    EXPECT_TRUE(TRecordingDrawing::SameColor(v[0].Color, Red));  // the focused brush
    // The count of selected records half-way, and both bounds in the dimension's units.
    std::vector<const TRecordedText*> count;
    for (const TRecordedText* t : r.TextsContaining("2"))
        if (t->Text == "2") count.push_back(t);
    ASSERT_EQ(count.size(), 1u);
    EXPECT_FLOAT_EQ(count.front()->X, x - 25);
    EXPECT_TRUE(r.HasText("10"));
    EXPECT_TRUE(r.HasText("5"));
}

// A brush's record count ends left of the bar and its arrowheads, however many digits.
TEST_F(ParallelFixture, ABrushCountOfSixDigitsEndsLeftOfTheBar)
{
    Open({"a", "b"}, {std::vector<float>(123456, 0.5f), std::vector<float>(123456, 0.5f)});
    Brush(0, 0.25f, 0.75f);
    const TRecordingDrawing r = Paint();
    std::vector<const TRecordedText*> count;
    for (const TRecordedText* t : r.TextsContaining("123456"))
        if (t->Text == "123456") count.push_back(t);
    ASSERT_EQ(count.size(), 1u);
    const float x = float(AxisX(0));
    EXPECT_LE(count[0]->X + 8.0f * 6.0f, x - 6.0f);  // 8 pixels a character, a pixel a unit here
    EXPECT_GE(count[0]->X, 0.0f);
}

TEST_F(ParallelFixture, FrequencyModeColoursEveryVertexByItsWeight)
{
    View->DrawModeFrequencyClick();
    const TRecordingDrawing r = Paint();
    const auto segments = RecordSegments(r);
    ASSERT_EQ(segments.size(), 8u);
    for (const auto& s : segments) {
        EXPECT_EQ(s.A.Z, 1.0f);
        EXPECT_FLOAT_EQ(s.A.Color.C1, 1.0f);
        EXPECT_FLOAT_EQ(s.A.Color.C2, s.A.Color.C3);
    }
    // gamma: value 1 twice among four → weight 1 (red); value 0 once → weight 0.5.
    const float wRecord1 = Data->Weight(2, Data->GetRecord(1));
    const float wRecord0 = Data->Weight(2, Data->GetRecord(0));
    ASSERT_FLOAT_EQ(wRecord1, 1.0f);
    ASSERT_FLOAT_EQ(wRecord0, 0.5f);
    EXPECT_TRUE(TRecordingDrawing::SameColor(segments[3].B.Color, TOpenGLColor(1, 0, 0)));         // record 1
    EXPECT_TRUE(TRecordingDrawing::SameColor(segments[1].B.Color, TOpenGLColor(1, 0.75f, 0.75f)));  // record 0
}

TEST_F(ParallelFixture, RelevanceModeSkipsWeakRecordsWidensStrongOnesAndShowsTheWindow)
{
    View->DrawModeRelevanceClick();
    Click(0, Y(0.5f));  // a relevance point on alpha at 0.5
    ASSERT_FLOAT_EQ(Data->GetRelevanceValue(0), 0.5f);
    Data->GetRecord(0)->RecordRelevanceCoefficiente = 0.05f;
    Data->GetRecord(1)->RecordRelevanceCoefficiente = 0.5f;
    Data->GetRecord(2)->RecordRelevanceCoefficiente = 3.0f;  // a sum over several dimensions: counts as 1
    Data->GetRecord(3)->RecordRelevanceCoefficiente = 0.75f;

    const TRecordingDrawing r = Paint();
    const auto segments = RecordSegments(r);
    std::vector<float> widths;
    for (const auto& s : segments) widths.push_back(s.State.LineWidth);
    // Record 0 is not drawn; the others come in ascending relevance, most relevant last.
    EXPECT_EQ(widths, (std::vector<float>{4, 4, 6, 6, 8, 8}));
    for (const auto& s : segments) EXPECT_EQ(s.A.Z, 1.0f);
    const TOpenGLColor expected = RelevanceColor(0.5f, Data->Weight(0, Data->GetRecord(1)));
    EXPECT_TRUE(TRecordingDrawing::SameColor(segments[0].A.Color, expected));
    const TOpenGLColor strongest = RelevanceColor(1.0f, Data->Weight(0, Data->GetRecord(2)));
    EXPECT_TRUE(TRecordingDrawing::SameColor(segments[4].A.Color, strongest));

    // The window [0.5 − 0.2, 0.5 + 0.2] as a hexagon around the axis.
    const auto loops = r.PrimitivesOf(TPrimitive::LineLoop);
    ASSERT_EQ(loops.size(), 1u);
    const auto& h = loops[0]->Vertices;
    ASSERT_EQ(h.size(), 6u);
    const float L = View->AxisLength;
    const int mid = int(0.5f * L + Margin);
    EXPECT_FLOAT_EQ(h[0].X, AxisX(0) - 2);
    EXPECT_FLOAT_EQ(h[0].Y, float(int(0.2f * L + 0.5f * L + Margin)));
    EXPECT_FLOAT_EQ(h[2].X, AxisX(0) + 5);
    EXPECT_FLOAT_EQ(h[2].Y, float(mid));
    EXPECT_FLOAT_EQ(h[3].Y, float(int(0.5f * L - 0.2f * L + Margin)));
    EXPECT_TRUE(TRecordingDrawing::SameColor(h[0].Color, Yellow));
    EXPECT_TRUE(r.HasText("5"));
}

TEST_F(ParallelFixture, RecordsOutsideTheTimeWindowAreNeverDrawn)
{
    Data->GetRecord(2)->TemporalInteractionDraw = false;
    EXPECT_EQ(Sorted(FirstAxisValuesDrawn(Paint())), (std::vector<float>{0.0f, 0.25f, 0.5f}));
    Brush(0, 0.5f, 1.0f);  // records 1 and 2: only 1 is in the window
    EXPECT_EQ(FirstAxisValuesDrawn(Paint()), (std::vector<float>{0.5f}));
    View->DrawModeFrequencyClick();
    EXPECT_EQ(FirstAxisValuesDrawn(Paint()), (std::vector<float>{0.5f}));
}

TEST_F(ParallelFixture, TheTimeLineAppliesItsWindowAtOnceAndClosingItDrawsEverything)
{
    std::vector<float> values(30);
    for (int i = 0; i < 30; ++i) values[i] = i / 29.0f;
    Open({"t", "u"}, {values, values});
    View->ShowTimeLineClick();
    // TimeMoment 30 lies above the bar's maximum 30 div 12 = 2: clamped and applied.
    ASSERT_TRUE(View->TimeLineWindow);
    EXPECT_EQ(Data->TimeMoment, 2);
    for (int k = 0; k < 30; ++k) EXPECT_EQ(Data->GetRecord(k)->TemporalInteractionDraw, k >= 12 && k < 24) << k;
    EXPECT_EQ(RecordSegments(Paint()).size(), 12u);

    View->TimeLineWindow->close();
    EXPECT_EQ(RecordSegments(Paint()).size(), 30u);
}

TEST_F(ParallelFixture, StatisticsMarksSitOnTheirAxisWithLabels)
{
    Move(1, Y(0.5f));
    View->MedianThisDimensionClick();
    TRecordingDrawing r = Paint();
    // beta: median of {0, 0.5, 0.75, 1} = 0.625 → 6.25 in the dimension's units.
    const int y = int(0.625f * View->AxisLength + Margin);
    const auto med = r.TextsContaining("Med");
    ASSERT_EQ(med.size(), 1u);
    EXPECT_FLOAT_EQ(med[0]->X, AxisX(1) + 6);
    EXPECT_FLOAT_EQ(med[0]->Y, y - 11);
    ASSERT_TRUE(r.HasText("6.25"));
    EXPECT_FLOAT_EQ(r.TextsContaining("6.25")[0]->Y, y);
    bool tick = false;
    for (const auto& s : r.LineSegmentsInColor(Yellow))
        tick |= s.A.X == AxisX(1) - 5 && s.B.X == AxisX(1) + 5 && s.A.Y == y && s.State.LineWidth == 5.0f;
    EXPECT_TRUE(tick);

    // "All" averages: a green line through every axis.
    View->AverageAllClick();
    r = Paint();
    const auto strips = r.PrimitivesOf(TPrimitive::LineStrip);
    bool line = false;
    for (const auto* p : strips)
        line |= p->Vertices.size() == 3 && TRecordingDrawing::SameColor(p->Vertices[0].Color, Green);
    EXPECT_TRUE(line);

    // Moving the time moment and closing the time line compute the statistics again and keep
    // what the user switched on: the mark and the line stay, drawn with the view's functions.
    View->ShowTimeLineClick();
    View->TimeMomentChange(1);
    EXPECT_TRUE(Paint().HasText("Med"));
    View->TimeLineWindow->close();
    r = Paint();
    EXPECT_TRUE(r.HasText("Med"));
    EXPECT_FALSE(r.PrimitivesOf(TPrimitive::LineStrip).empty());
}

TEST_F(ParallelFixture, StatisticLabelsSitOnALightBackingClearOfTheAxisEndValues)
{
    // Mode and median at the axis maximum, the deviation near the minimum: their labels
    // would overprint the axis-end values (the mode of a year column reads like its maximum).
    Open({"year", "b"}, {{1, 1, 1, 0.9f, 0}, {0.01f, 0, 0, 0.02f, 1}});
    View->AverageAllClick();
    View->MedianAllClick();
    View->ModaValuesAllClick();
    View->StandardDeviationAllClick();
    const TRecordingDrawing r = Paint();
    const auto statistics = r.TextsMeaning(TMeaning::Statistic);
    ASSERT_GE(statistics.size(), 8u);
    const auto backings = r.PrimitivesMeaning(TMeaning::Statistic);
    const float height = View->PixelsUp(13);
    for (const TRecordedText* text : statistics) {
        SCOPED_TRACE(text->Text + " at y " + std::to_string(text->Y));
        // A light quad drawn before the text holds its raster position and its width.
        const float width = View->PixelsAcross(8.0f * float(text->Text.size()));
        bool backed = false;
        for (const TRecordedPrimitive* p : backings) {
            if (p->Kind != TPrimitive::Quads || p->Sequence > text->Sequence || p->Vertices.size() < 4) continue;
            const TOpenGLColor& c = p->Vertices[0].Color;
            if (c.C1 < 0.85f || c.C2 < 0.85f || c.C3 < 0.85f) continue;
            float left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY;
            for (const TRecordedVertex& v : p->Vertices) {
                left = std::min(left, v.X), right = std::max(right, v.X);
                bottom = std::min(bottom, v.Y), top = std::max(top, v.Y);
            }
            backed |= left <= text->X && text->X + width <= right && bottom <= text->Y && text->Y + View->PixelsUp(9) <= top;
        }
        EXPECT_TRUE(backed);
        // Darker than the light backing: every channel of a readable text is well below it.
        EXPECT_LT(std::min({text->Color.C1, text->Color.C2, text->Color.C3}), 0.3f);
        EXPECT_LT(text->Color.C1 + text->Color.C2 + text->Color.C3, 1.3f);
        // Clear of the axis-end values of its axis (same columns of characters).
        for (const TRecordedText* end : r.TextsMeaning(TMeaning::Label)) {
            const float endWidth = View->PixelsAcross(8.0f * float(end->Text.size()));
            const bool sameColumns = end->X < text->X + width && text->X < end->X + endWidth;
            if (!sameColumns) continue;
            EXPECT_GE(std::fabs(end->Y - text->Y), height) << "overprints \"" << end->Text << "\" at y " << end->Y;
        }
    }
}

TEST_F(ParallelFixture, TheStandardDeviationLabelReadsInTheDimensionsUnits)
{
    Move(1, Y(0.5f));
    View->StandardDeviationThisDimensionClick();
    const TStatistics* s = View->StatisticsList->GetStatistics(1);
    ASSERT_NE(s, nullptr);
    const float deviation = s->StandardDeviation();
    const TRecordingDrawing r = Paint();
    // beta runs from 0 to 10 in its own units: the label is ten times the normalised value,
    // while the mark stays at the normalised deviation on the axis.
    const auto labels = r.TextsContaining(FormatFloat("0.##", deviation * 10.0f));
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_FLOAT_EQ(labels[0]->Y, float(Y(deviation)));
}

TEST_F(ParallelFixture, LongNamesAreCutToTheSpaceBetweenAxes)
{
    const std::string longName(400, 'x');
    Open({longName, "b"}, {{0, 1}, {1, 0}});
    const int maxChars = int(View->AxisSpacing * 0.125f) - 1;
    const TRecordingDrawing r = Paint();
    const auto names = r.TextsContaining("xxx");
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0]->Text, std::string(maxChars, 'x'));
    EXPECT_FLOAT_EQ(names[0]->Y, View->SpaceHeight - 10);
}

TEST_F(ParallelFixture, BrushReadOutsAreDrawnAfterThePolylinesOnALightBacking)
{
    Brush(0, 0.5f, 1.0f);
    const TRecordingDrawing r = Paint();
    int lastRecord = -1;
    for (const TRecordedPrimitive* p : r.PrimitivesMeaning(TMeaning::Record)) lastRecord = std::max(lastRecord, p->Sequence);
    ASSERT_GE(lastRecord, 0);
    const auto readOuts = r.TextsMeaning(TMeaning::Brush);
    ASSERT_EQ(readOuts.size(), 3u);  // count, upper and lower bound
    for (const TRecordedText* text : readOuts) {
        EXPECT_GT(text->Sequence, lastRecord) << text->Text;
        EXPECT_TRUE(TRecordingDrawing::SameColor(text->Color, {0, 0, 0})) << text->Text;
        // Before it, a light quad under the whole text.
        const TRecordedPrimitive* backing = nullptr;
        for (const TRecordedPrimitive& p : r.Primitives)
            if (p.Sequence < text->Sequence && p.Kind == TPrimitive::Quads && p.Vertices.size() == 4 &&
                p.Vertices[0].X < text->X && p.Vertices[2].X > text->X && p.Vertices[0].Y < text->Y && p.Vertices[2].Y > text->Y)
                backing = &p;
        ASSERT_NE(backing, nullptr) << text->Text;
        ASSERT_EQ(backing->Vertices.size(), 4u);
        EXPECT_GT(backing->Vertices[0].Color.C1 + backing->Vertices[0].Color.C2 + backing->Vertices[0].Color.C3, 2.7f);
        EXPECT_LT(backing->Vertices[0].X, text->X);
        EXPECT_GT(backing->Vertices[1].X, text->X + 8.0f * float(text->Text.size()) - 1);
        EXPECT_LT(backing->Vertices[0].Y, text->Y);
        EXPECT_GT(backing->Vertices[2].Y, text->Y);
    }
}

TEST_F(ParallelFixture, TextColumnsShowTheirTextsOnAxesReadOutsAndClauses)
{
    // Dimension 0 a text column of three categories (raw 0, 1, 2).
    Open({"make", "mpg"}, {{0, 0.5f, 1}, {0, 1, 0.5f}});
    TPreProcessedDimension* make = Data->GetDimension(0);
    make->Categories = {"audi", "bmw", "vw"};
    make->SetHighLow(2, 0);
    make->ValueRange = 2;
    const TRecordingDrawing plain = Paint();
    EXPECT_TRUE(plain.HasText("audi"));
    EXPECT_TRUE(plain.HasText("vw"));
    Brush(0, 0.5f, 1.0f);
    const TRecordingDrawing r = Paint();
    bool boundShown = false;
    for (const TRecordedText* text : r.TextsMeaning(TMeaning::Brush)) boundShown |= text->Text == "bmw";
    EXPECT_TRUE(boundShown);
    EXPECT_EQ(Controller->GetWhereClause().find("(bmw <= make <= vw)") != std::string::npos, true)
        << Controller->GetWhereClause();
}

TEST_F(ParallelFixture, HoveringAnAxisNameShowsTheFullName)
{
    const std::string longName(400, 'x');
    Open({longName, "b"}, {{0, 1}, {1, 0}});
    const int top = View->SpaceHeight - 10 + 2;
    EXPECT_EQ(View->AxisNameAt(AxisX(0) + 3, top), longName);
    EXPECT_EQ(View->AxisNameAt(AxisX(1) + 3, top), "b");
    EXPECT_EQ(View->AxisNameAt(AxisX(1) + 40, top), "");
    EXPECT_EQ(View->AxisNameAt(AxisX(0) + 3, View->SpaceHeight / 2), "");
    View->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, AxisX(0) + 3, View->height() - top);
    EXPECT_EQ(View->toolTip().toStdString(), longName);
    View->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, AxisX(0) + 3, View->height() / 2);
    EXPECT_TRUE(View->toolTip().isEmpty());
}

TEST_F(ParallelFixture, OrderByPutsTheAxesInAscendingStandardDeviation)
{
    // "narrow" spreads least, then "middle", then "wide".
    Open({"wide", "narrow", "middle"}, {{0, 1, 0, 1}, {0.4f, 0.5f, 0.45f, 0.5f}, {0.2f, 0.8f, 0.5f, 0.5f}});
    View->OrderByClick();
    EXPECT_EQ(View->GetAxisOrder(), (std::vector<int>{1, 2, 0}));
    int dimension = -2;
    View->GetDimensionAtPosition(dimension, 1, 100);
    EXPECT_EQ(dimension, 1);
    EXPECT_EQ(AxisX(1), View->SpaceWidth / 3 / 2);
    // A brush made on the leftmost axis belongs to "narrow".
    Brush(1, 0.5f, 1.0f);
    EXPECT_EQ(Controller->GetSelectionsList(1)->Count(), 1);
    EXPECT_EQ(Controller->GetSelectionsList(0)->Count(), 0);
    // Polylines follow the new order: the first segment starts at narrow's value.
    const auto segments = RecordSegments(Paint());
    ASSERT_FALSE(segments.empty());
    EXPECT_FLOAT_EQ(segments[0].A.X, AxisX(1));
    // The dataset's shared axis positions are untouched.
    EXPECT_EQ(Data->GetAxisPosition(0), View->SpaceWidth / 3 / 2);
}
