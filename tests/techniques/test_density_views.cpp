// Density drawing in the parallel coordinates and the scatter plot matrix, into a recording:
// when each view draws densities, the sums its pictures keep, the colours they show, what a
// drag recounts, and the "Density Drawing" choice.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <random>

#include "render/RecordingDrawing.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "techniques/scatter/ScatterPlots.h"
#include "tests/support/UnitScaleData.h"
#include "vis/SelectionsController.h"

namespace {

// `records` records of `dimensions` random values, the first dimension clustered low.
std::unique_ptr<TPreProcessedData> RandomData(int records, int dimensions, unsigned seed = 3)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    std::vector<std::vector<float>> columns(dimensions);
    for (int d = 0; d < dimensions; ++d)
        for (int i = 0; i < records; ++i) columns[d].push_back(d == 0 ? uniform(random) * uniform(random) : uniform(random));
    std::vector<std::string> names;
    for (int d = 0; d < dimensions; ++d) names.push_back("d" + std::to_string(d));
    auto data = MakeUnitScaleData(names, columns, 10.0f);
    data->TimeDiscreteRange = 12;
    data->TimeMoment = data->RecordsNumber;
    return data;
}

template <typename TView> struct TDensityViewFixture {
    explicit TDensityViewFixture(std::unique_ptr<TPreProcessedData> data) : Data(std::move(data))
    {
        Controller.BindData(Data.get());
        View = std::make_unique<TView>();
        EXPECT_TRUE(View->SetPreProcessedData(Data.get()));
        View->SetSelectionsController(&Controller);
        View->resize(View->SpaceWidth, View->SpaceHeight);
        View->Repaint();
    }
    TRecordingDrawing Paint()
    {
        TRecordingDrawing recording;
        TCurrentDrawing current(recording);
        View->Paint();
        return recording;
    }
    std::unique_ptr<TPreProcessedData> Data;
    TSelectionsController Controller;
    std::unique_ptr<TView> View;
};

using TParallel = TDensityViewFixture<TParallelCoordinates>;
using TScatter = TDensityViewFixture<TScatterPlots>;

// The sum of the grid columns strictly between the first two axes of the view.
std::vector<double> ColumnSumsBetweenFirstAxes(const TParallelCoordinates& view, const TParallelAxesGeometry& axes,
                                               const TParallelDensity::TFrame& frame)
{
    const TDensityGrid& grid = view.Density.LastGrid();
    const float perUnit = float(frame.PixelWidth) / (frame.X1 - frame.X0);
    const float left = (axes.X[0] - frame.X0) * perUnit, right = (axes.X[1] - frame.X0) * perUnit;
    std::vector<double> sums;
    for (int x = FirstColumnBetween(left); x <= LastColumnBetween(right); ++x) sums.push_back(grid.ColumnSum(x));
    return sums;
}

TParallelAxesGeometry AxesOf(const TParallelCoordinates& view, const TPreProcessedData& data)
{
    TParallelAxesGeometry axes;
    axes.Order = view.GetAxisOrder();
    for (int d : axes.Order) axes.X.push_back(view.GetAxisX(d));
    axes.Scale = view.ValueScale();
    axes.BindColumns(data);
    return axes;
}

TParallelDensity::TFrame FrameOf(const TParallelCoordinates& view, const TParallelAxesGeometry& axes)
{
    return TParallelDensity::FrameFor(axes, float(TParallelCoordinates::Margin),
                                      float(view.SpaceHeight - TParallelCoordinates::Margin), view.PixelsAcross(1.0f),
                                      view.PixelsUp(1.0f));
}

std::size_t OpaquePixels(const TRgbaImage& image)
{
    std::size_t n = 0;
    for (std::size_t i = 3; i < image.Pixels.size(); i += 4) n += image.Pixels[i] != 0;
    return n;
}

} // namespace

TEST(ParallelDensityView, AutomaticDrawsExactlyBelowTheThresholdAndDensitiesFromIt)
{
    struct {
        int Records;
        TDrawingChoice Choice;
        bool Density;
    } cases[] = {
        {100, TDrawingChoice::Automatic, false},
        {int(TParallelCoordinates::DensityThreshold) - 1, TDrawingChoice::Automatic, false},
        {int(TParallelCoordinates::DensityThreshold), TDrawingChoice::Automatic, true},
        {5000, TDrawingChoice::Exact, false},
        {100, TDrawingChoice::Density, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Records);
        TParallel f(RandomData(c.Records, 4));
        f.View->SetDrawingChoice(c.Choice);
        const TRecordingDrawing r = f.Paint();
        EXPECT_EQ(f.View->DrawsDensityNow(), c.Density);
        EXPECT_EQ(r.ImagesMeaning(TMeaning::Record).size(), c.Density ? 1u : 0u);
        EXPECT_EQ(r.SegmentsMeaning(TMeaning::Record).empty(), c.Density);
        EXPECT_EQ(r.TextsContaining("y").empty(), !c.Density) << "the note's characters";
    }
}

TEST(ParallelDensityView, EveryColumnSumsToTheRecordsDrawnAndTheNoteSaysHowMany)
{
    TParallel f(RandomData(6000, 5));
    // Half the records leave the time window: they are neither counted nor drawn.
    f.Data->TimeDiscreteRange = 3500;
    f.Data->SetTimeMoment(1);
    std::size_t drawn = 0;
    for (const TPreProcessedRecord* record : f.Data->ListOfPreprocessedRecords) drawn += record->TemporalInteractionDraw;
    ASSERT_GT(drawn, 0u);
    ASSERT_LT(drawn, 6000u);
    f.Paint();
    ASSERT_TRUE(f.View->DrawsDensityNow());
    const TParallelAxesGeometry axes = AxesOf(*f.View, *f.Data);
    const std::vector<double> sums = ColumnSumsBetweenFirstAxes(*f.View, axes, FrameOf(*f.View, axes));
    ASSERT_FALSE(sums.empty());
    for (double s : sums) EXPECT_NEAR(s, double(drawn), 1e-2);
    EXPECT_EQ(f.View->DensityNote(), "density of " + GroupedNumber((long long)drawn) + " records");
}

TEST(ParallelDensityView, TheBrushedLayerHoldsTheBrushedRecordsInTheBrushColourOverADimmedContext)
{
    TParallel f(RandomData(12000, 4));
    TSelectioner* brush = AddSelectionOver(*f.Controller.GetSelectionsList(1), f.Data.get(), 0.2f, 0.5f);
    ASSERT_NE(brush, nullptr);
    const TRecordList* listed = f.Controller.ListOfItemsSatisfyingSelections();
    ASSERT_GE(listed->size(), TParallelCoordinates::DensityThreshold);
    const TRecordingDrawing r = f.Paint();
    const auto images = r.ImagesMeaning(TMeaning::Record);
    ASSERT_EQ(images.size(), 2u) << "context, then brushed";
    const TParallelAxesGeometry axes = AxesOf(*f.View, *f.Data);
    for (double s : ColumnSumsBetweenFirstAxes(*f.View, axes, FrameOf(*f.View, axes)))
        EXPECT_NEAR(s, double(listed->size()), 1e-2);
    const TOpenGLColor colour = *brush->Color();
    const TRgbaImage& top = images[1]->Image;
    std::size_t opaque = 0;
    for (std::size_t i = 0; i < top.Pixels.size(); i += 4) {
        if (top.Pixels[i + 3] == 0) continue;
        ++opaque;
        ASSERT_NEAR(top.Pixels[i], colour.C1 * 255, 1.0);
        ASSERT_NEAR(top.Pixels[i + 1], colour.C2 * 255, 1.0);
        ASSERT_NEAR(top.Pixels[i + 2], colour.C3 * 255, 1.0);
    }
    EXPECT_GT(opaque, 0u);
    // The context is dimmed: no pixel of it is opaque.
    const TRgbaImage& context = images[0]->Image;
    for (std::size_t i = 3; i < context.Pixels.size(); i += 4) ASSERT_LT(context.Pixels[i], 128);
}

TEST(ParallelDensityView, ASmallBrushedLayerIsDrawnExactlyOverTheDensities)
{
    TParallel f(RandomData(5000, 4));
    AddSelectionOver(*f.Controller.GetSelectionsList(1), f.Data.get(), 0.2f, 0.25f);
    const std::size_t brushed = f.Controller.ListOfItemsSatisfyingSelections()->size();
    ASSERT_LT(brushed, TParallelCoordinates::DensityThreshold);
    const TRecordingDrawing r = f.Paint();
    EXPECT_EQ(r.ImagesMeaning(TMeaning::Record).size(), 1u);
    EXPECT_EQ(r.SegmentsMeaning(TMeaning::Record).size(), brushed * 3);
}

TEST(ParallelDensityView, ADragStepRecountsOnlyTheBrushedLayer)
{
    TParallel f(RandomData(8000, 4));
    f.View->SetDrawingChoice(TDrawingChoice::Density);
    TSelectioner* brush = AddSelectionOver(*f.Controller.GetSelectionsList(2), f.Data.get(), 0.1f, 0.9f);
    f.Paint();
    const long long context = f.View->Density.ContextCounts, brushed = f.View->Density.BrushedCounts;
    const long long codes = f.View->Density.CodeComputations();
    for (int step = 1; step <= 3; ++step) {
        brush->SetMaxNormalized(0.9f - 0.1f * float(step));
        f.Paint();
    }
    EXPECT_EQ(f.View->Density.ContextCounts, context);
    EXPECT_EQ(f.View->Density.BrushedCounts, brushed + 3);
    EXPECT_EQ(f.View->Density.CodeComputations(), codes);
    // A repaint with nothing changed counts nothing.
    f.Paint();
    EXPECT_EQ(f.View->Density.BrushedCounts, brushed + 3);
    // Another draw mode counts the context again, with the same codes.
    f.View->DrawModeFrequencyClick();
    f.Paint();
    EXPECT_GT(f.View->Density.ContextCounts, context);
    EXPECT_EQ(f.View->Density.CodeComputations(), codes);
}

TEST(ParallelDensityView, RelevanceLeavesOutRecordsUnderATenthAndWeighsTheRestByRelevance)
{
    TParallel f(RandomData(4000, 3));
    f.View->SetDrawingChoice(TDrawingChoice::Density);
    f.Data->SetRelevancePoint(0, 0.1f);
    f.Data->ComputeRecordRelevance();
    f.View->DrawModeRelevanceClick();
    double expected = 0;
    for (const TPreProcessedRecord* record : f.Data->ListOfPreprocessedRecords) {
        const float r = RelevanceStrength(*record);
        if (r >= 0.1f) expected += r;
    }
    f.Paint();
    const TParallelAxesGeometry axes = AxesOf(*f.View, *f.Data);
    for (double s : ColumnSumsBetweenFirstAxes(*f.View, axes, FrameOf(*f.View, axes))) EXPECT_NEAR(s, expected, 1e-1);
}

TEST(ParallelDensityView, ThePopupOffersTheThreeDrawingsAsRadioItems)
{
    TParallel f(RandomData(50, 3));
    const TDensityDrawingMenu& menu = f.View->DensityMenu;
    ASSERT_NE(menu.Menu, nullptr);
    EXPECT_EQ(menu.Menu->title(), "Density Drawing");
    ASSERT_EQ(menu.Menu->actions().size(), 3);
    EXPECT_EQ(menu.Menu->actions()[0]->text(), "Automatic");
    EXPECT_EQ(menu.Menu->actions()[1]->text(), "Exact");
    EXPECT_EQ(menu.Menu->actions()[2]->text(), "Density");
    EXPECT_TRUE(menu.Automatic->isChecked());
    const long long paints = f.View->OffScreenPaints + f.View->ScreenPaints;
    menu.Density->trigger();
    EXPECT_EQ(f.View->DrawingChoice(), TDrawingChoice::Density);
    EXPECT_TRUE(menu.Density->isChecked());
    EXPECT_FALSE(menu.Automatic->isChecked());
    EXPECT_EQ(f.View->OffScreenPaints + f.View->ScreenPaints, paints + 1) << "one repaint for the action";
    EXPECT_TRUE(f.View->DrawsDensityNow());
}

TEST(ParallelDensityView, ABrushDragStepCostsOneRepaint)
{
    TParallel f(RandomData(5000, 3));
    TParallelCoordinates& view = *f.View;
    const int x = int(view.GetAxisX(1));
    auto widgetY = [&](float v) { return view.height() - view.ValueScale().ToLogicalInt(v); };
    view.MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, x, widgetY(0.3f));
    view.MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier, x, widgetY(0.3f));
    view.MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::ControlModifier, x, widgetY(0.3f));
    ASSERT_EQ(f.Controller.NumberOfSelections(), 1);
    view.MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, x, widgetY(0.3f));
    for (int step = 1; step <= 4; ++step) {
        const long long paints = view.OffScreenPaints + view.ScreenPaints;
        view.MouseMoveOnPanel(Qt::LeftButton, Qt::NoModifier, x, widgetY(0.3f + 0.1f * float(step)));
        EXPECT_EQ(view.OffScreenPaints + view.ScreenPaints, paints + 1) << "step " << step;
    }
    view.MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, x, widgetY(0.7f));
}

TEST(ScatterDensityView, EveryCellSumsToTheRecordsDrawnInIt)
{
    TScatter f(RandomData(3000, 4));
    f.View->SetDrawingChoice(TDrawingChoice::Density);
    f.Data->TimeDiscreteRange = 1000;
    f.Data->SetTimeMoment(2);
    std::size_t drawn = 0;
    for (const TPreProcessedRecord* record : f.Data->ListOfPreprocessedRecords) drawn += record->TemporalInteractionDraw;
    const TRecordingDrawing r = f.Paint();
    ASSERT_TRUE(f.View->DrawsDensityNow());
    EXPECT_EQ(r.ImagesMeaning(TMeaning::Record).size(), std::size_t(f.View->ScatterCellsList->Count()));
    EXPECT_TRUE(r.PointsMeaning(TMeaning::Record).empty());
    // Each cell counted afresh: the grid of its count holds every record drawn.
    const float ux = f.View->PixelsAcross(1.0f), uy = f.View->PixelsUp(1.0f);
    for (int i = 0; i < f.View->ScatterCellsList->Count(); ++i) {
        const TScatterCell& cell = f.View->ScatterCellsList->Item(i);
        TScatterDensity density;
        density.Prepare(*f.Data, drawmodeNormal, nullptr, 0, false);
        TRecordingDrawing scratch;
        TCurrentDrawing current(scratch);
        density.DrawPlot(cell.ScatterCellIndexes.ColumnIndex, cell.ScatterCellIndexes.LineIndex,
                         TScatterDensity::FrameFor(cell.XScale, cell.YScale, ux, uy), false);
        EXPECT_NEAR(density.LastGrid().Total(), double(drawn), 1e-3) << "cell " << i;
        ASSERT_EQ(scratch.Images.size(), 1u);
    }
    EXPECT_EQ(f.View->DensityNote(), "density of " + GroupedNumber((long long)drawn) + " records");
}

TEST(ScatterDensityView, ARecordLandsOnThePixelOfItsExactPoint)
{
    TScatter f(RandomData(200, 3));
    const TScatterCell& cell = f.View->ScatterCellsList->Item(1);
    const float ux = f.View->PixelsAcross(1.0f), uy = f.View->PixelsUp(1.0f);
    const TScatterDensity::TFrame frame = TScatterDensity::FrameFor(cell.XScale, cell.YScale, ux, uy);
    const int c = cell.ScatterCellIndexes.ColumnIndex, l = cell.ScatterCellIndexes.LineIndex;
    for (int record : {0, 17, 199}) {
        TPreProcessedData& data = *f.Data;
        TRecordList one{data.GetRecord(record)};
        TScatterDensity density;
        density.Prepare(data, drawmodeNormal, &one, 1, true);
        TRecordingDrawing scratch;
        TCurrentDrawing current(scratch);
        density.DrawPlot(c, l, frame, false);
        const TDensityGrid& grid = density.LastGrid();
        const float px = cell.XScale.ToLogical(data.GetDimension(c)->Values[record]) / ux - frame.X0 / ux;
        const float py = cell.YScale.ToLogical(data.GetDimension(l)->Values[record]) / uy - frame.Y0 / uy;
        ASSERT_GE(int(px), 0);
        ASSERT_GE(int(py), 0);
        float near = 0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const int x = int(px) + dx, y = int(py) + dy;
                if (x >= 0 && y >= 0 && x < grid.Width() && y < grid.Height()) near += grid.Weight(x, y);
            }
        EXPECT_FLOAT_EQ(near, 1.0f) << "record " << record;
    }
}

TEST(ScatterDensityView, ABrushShowsInItsColourAndADragRecountsOnlyTheBrushedLayer)
{
    TScatter f(RandomData(12000, 3));
    ASSERT_GE(std::size_t(12000), TScatterPlots::DensityThreshold);
    TSelectioner* brush = AddSelectionOver(*f.Controller.GetSelectionsList(1), f.Data.get(), 0.0f, 0.98f);
    TRecordingDrawing r = f.Paint();
    ASSERT_TRUE(f.View->DrawsDensityNow());
    const std::size_t cells = std::size_t(f.View->ScatterCellsList->Count());
    ASSERT_EQ(r.ImagesMeaning(TMeaning::Record).size(), 2 * cells);
    const TRgbaImage& brushed = r.Images[1].Image;
    const TOpenGLColor colour = *brush->Color();
    EXPECT_GT(OpaquePixels(brushed), 0u);
    for (std::size_t i = 0; i < brushed.Pixels.size(); i += 4) {
        if (brushed.Pixels[i + 3] != 0) ASSERT_NEAR(brushed.Pixels[i + 2], colour.C3 * 255, 1.0);
    }
    const long long context = f.View->Density.ContextCounts, counted = f.View->Density.BrushedCounts;
    brush->SetMaxNormalized(0.95f);
    f.Paint();
    EXPECT_EQ(f.View->Density.ContextCounts, context);
    EXPECT_EQ(f.View->Density.BrushedCounts, counted + (long long)cells);
}

TEST(ScatterDensityView, TheSmallSampleStaysExact)
{
    TScatter f(RandomData(392, 8));
    const TRecordingDrawing r = f.Paint();
    EXPECT_FALSE(f.View->DrawsDensityNow());
    EXPECT_TRUE(r.Images.empty());
    EXPECT_FALSE(r.PointsMeaning(TMeaning::Record).empty());
}
