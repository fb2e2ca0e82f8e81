// What every view of the list of techniques must do, whatever it draws: open on the sample
// and on awkward small datasets, paint in every draw mode with and without brushes and a
// time window without a single undefined number, draw only the records that satisfy the
// brushes, take a second dataset, and leave alone the brushes it is not dragging.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>

#include "render/SvgWriter.h"
#include "tests/techniques/ViewFixture.h"

namespace {

std::vector<const TTechnique*> TechniquesWithViews()
{
    std::vector<const TTechnique*> result;
    for (const TTechnique& technique : Techniques())
        if (technique.Create) result.push_back(&technique);
    return result;
}

struct TDataCase {
    const char* Name;
    const char* Text;
};

// Small datasets that have broken views before: nothing, one of everything, no spread,
// names for values.
const TDataCase DataCases[] = {
    {"no records", "#a b c\n"},
    {"one record", "#a b c\n1 2 3\n"},
    {"one dimension", "#a\n1\n2\n3\n4\n"},
    {"a constant column", "#a b c\n1 5 3\n2 5 1\n3 5 2\n4 5 4\n"},
    {"a text column", "#name x y\nalpha 1 2\nbeta 3 1\ngamma 2 2\ndelta 4 3\n"},
    {"two records", "#a b c d e\n0 1 0 1 0\n1 0 1 0 1\n"},
};

std::string CarsFile() { return LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet"; }

// The drawings a view can be asked for: as it chooses, and densities where it draws them.
enum class TDrawing { Chosen, Density };

// The item `caption` of the view's "Density Drawing" submenu; null for views without one.
QAction* DensityDrawingItem(TVisualizationPanel& view, const char* caption)
{
    for (QAction* action : view.ViewPopupMenu->actions())
        if (action->menu() && action->text() == "Density Drawing")
            for (QAction* item : action->menu()->actions())
                if (item->text() == caption) return item;
    return nullptr;
}

class EveryTechnique : public ::testing::TestWithParam<std::tuple<const TTechnique*, TDrawing>> {
protected:
    const TTechnique& Technique() const { return *std::get<0>(GetParam()); }
    bool Densities() const { return std::get<1>(GetParam()) == TDrawing::Density; }

    void SetUp() override
    {
        if (!Densities()) return;
        TViewFixture f;
        ASSERT_TRUE(f.Load("#a b\n1 2\n"));
        if (!DensityDrawingItem(*f.Open(Technique()), "Density")) GTEST_SKIP() << "the view draws no densities";
    }

    // A view of the technique, drawing densities when the parameter asks for them.
    TVisualizationPanel* Open(TViewFixture& f)
    {
        TVisualizationPanel* view = f.Open(Technique());
        if (Densities()) {
            QAction* item = DensityDrawingItem(*view, "Density");
            EXPECT_NE(item, nullptr);
            if (item) item->trigger();
        }
        return view;
    }

    // Every draw mode, with no brush, with an AND of two brushes, and with a time window.
    void PaintEverything(TViewFixture& f, TVisualizationPanel& view, const std::string& what)
    {
        const int dimensions = f.Data->NumberOfDimensions();
        for (int step = 0; step < 3; ++step) {
            if (step == 1) {
                for (int d = 0; d < std::min(2, dimensions); ++d) f.Brush(d, 0.25f, 1.0f);
                f.Controller->LogicOperation = loAND;
            }
            if (step == 2 && f.Data->RecordsNumber > 0) {
                f.Data->TimeDiscreteRange = 2;
                f.Data->SetTimeMoment(1);
            }
            for (int mode = 0; mode < 3; ++mode) {
                if (mode == 0) view.DrawModeNormalClick();
                if (mode == 1) view.DrawModeFrequencyClick();
                if (mode == 2) view.DrawModeRelevanceClick();
                const TRecordingDrawing r = f.Paint(view);
                EXPECT_TRUE(r.AllFinite()) << what << ", step " << step << ", mode " << mode;
            }
        }
        view.DrawModeNormalClick();
        f.Data->SetAllRecordsDrawn(true);
        f.Controller->RemoveAllSelections();
    }
};

TEST_P(EveryTechnique, PaintsTheSampleAndAwkwardDatasetsWithoutUndefinedNumbers)
{
    for (const TDataCase& c : DataCases) {
        SCOPED_TRACE(c.Name);
        TViewFixture f;
        ASSERT_TRUE(f.Load(c.Text));
        TVisualizationPanel* view = Open(f);
        PaintEverything(f, *view, c.Name);
    }
    TViewFixture cars;
    ASSERT_TRUE(cars.LoadFile(CarsFile()));
    TVisualizationPanel* view = Open(cars);
    PaintEverything(cars, *view, "cars");
    // A relevance point on the first dimension, as a click in relevance mode sets it.
    cars.Data->SetRelevancePoint(0, 0.5f);
    cars.Data->ComputeRecordRelevance();
    view->DrawModeRelevanceClick();
    EXPECT_TRUE(cars.Paint(*view).AllFinite());
}

TEST_P(EveryTechnique, WithABrushOnlyRecordsThatSatisfyItAreDrawnInItsColour)
{
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = Open(f);
    const TRecordingDrawing all = f.Paint(*view);
    ASSERT_FALSE(all.PrimitivesMeaning(TMeaning::Record).empty() && all.ImagesMeaning(TMeaning::Record).empty())
        << "records are drawn under TMeaning::Record";

    TSelectioner* brush = f.Brush(4, 0.0f, 0.3f);  // low horsepower
    ASSERT_NE(brush, nullptr);
    const TOpenGLColor colour = *brush->Color();
    const TRecordingDrawing brushed = f.Paint(*view);
    std::size_t vertices = 0, inColour = 0;
    for (const TRecordedPrimitive* p : brushed.PrimitivesMeaning(TMeaning::Record))
        for (const TRecordedVertex& v : p->Vertices) {
            ++vertices;
            inColour += TRecordingDrawing::SameColor(v.Color, colour);
        }
    if (Densities()) {
        // Densities: the context's pictures in the colour of unbrushed records, the brushed
        // records' pictures over them in the brush's colour, and no third colour mixed in
        // (the brush never wears the unbrushed colour, so the two tell apart).
        const auto images = brushed.ImagesMeaning(TMeaning::Record);
        ASSERT_FALSE(images.empty());
        ASSERT_FALSE(TRecordingDrawing::SameColor(colour, TOpenGLColor(0, 0, 1)));
        const auto near = [](const std::uint8_t* p, const TOpenGLColor& c) {
            return std::abs(p[0] - c.C1 * 255) <= 1 && std::abs(p[1] - c.C2 * 255) <= 1 && std::abs(p[2] - c.C3 * 255) <= 1;
        };
        std::size_t inBrush = 0, off = 0;
        for (const auto* image : images)
            for (std::size_t i = 0; i + 3 < image->Image.Pixels.size(); i += 4) {
                const std::uint8_t* p = &image->Image.Pixels[i];
                if (p[3] == 0) continue;
                if (near(p, colour))
                    ++inBrush;
                else if (!near(p, TOpenGLColor(0, 0, 1)))
                    ++off;
            }
        EXPECT_GT(inBrush, 0u) << "no picture shows the brushed records";
        EXPECT_EQ(off, 0u) << "a picture shows a colour of neither the brush nor the context";
        return;
    }
    EXPECT_GT(vertices, 0u);
    EXPECT_EQ(inColour, vertices) << "a record outside the brush is drawn";
}

TEST_P(EveryTechnique, ItsSvgPictureHoldsWhatItsWindowDraws)
{
    // What a full frame on screen draws (and so the PNG of "Save View Image…") against what
    // the SVG of "Save View Image…" is written from: the same kinds of things and texts.
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = f.Open(Technique());
    f.Brush(4, 0.0f, 0.3f);
    view->AverageAllClick();
    const TRecordingDrawing frame = f.Paint(*view);
    TRecordingDrawing saved;
    view->RecordFrame(saved);
    if (!HasFlatProjection(saved)) {
        EXPECT_FALSE(HasFlatProjection(frame)) << "a flat view must be written as SVG";
        return;  // a perspective view is saved as PNG only
    }
    const std::string svg = SvgText(saved, view->width(), view->height());
    ASSERT_FALSE(svg.empty());
    const std::pair<TMeaning, const char*> kinds[] = {
        {TMeaning::Axis, "axis"},         {TMeaning::Record, "record"}, {TMeaning::Brush, "brush"},
        {TMeaning::Statistic, "statistic"}, {TMeaning::Label, "label"},   {TMeaning::Frame, "frame"},
        {TMeaning::Marker, "marker"},
    };
    for (const auto& [meaning, name] : kinds) {
        bool drawn = !frame.TextsMeaning(meaning).empty();
        for (const TRecordedPrimitive* p : frame.PrimitivesMeaning(meaning)) drawn = drawn || !p->Vertices.empty();
        if (drawn) {
            EXPECT_NE(svg.find(std::string("class=\"") + name + "\""), std::string::npos) << name << " missing";
        }
    }
    for (const TRecordedText& text : frame.Texts) {
        if (text.Text.find_first_of("<>&\"") != std::string::npos) continue;  // written escaped
        EXPECT_NE(svg.find(">" + text.Text + "</text>"), std::string::npos) << "text \"" << text.Text << "\" missing";
    }
}

// The count takes the widest form the room holds, at 8 pixels a character.
TEST(RecordCountLines, TheWidestFormThatFitsTheRoom)
{
    using Lines = std::vector<std::string>;
    const struct {
        float Width;
        Lines Expected;
    } cases[] = {
        {400, {"197 of 392 records"}},
        {144, {"197 of 392 records"}},
        {143, {"197 of 392", "records"}},
        {80, {"197 of 392", "records"}},
        {79, {"197", "of 392", "records"}},
        {56, {"197", "of 392", "records"}},
        {55, {"197", "of", "392"}},
        {24, {"197", "of", "392"}},
        {23, {}},
        {0, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(TVisualizationPanel::RecordCountLines(197, 392, c.Width), c.Expected) << c.Width;
    EXPECT_EQ(TVisualizationPanel::RecordCountLines(0, 5, 1000), (Lines{"0 of 5 records"}));
}

// The box a text takes at 8 pixels a character, from 2 below its raster position (the
// descenders) to 8 above (the capitals).
struct TTextBox {
    float Left, Bottom, Right, Top;
    bool Overlaps(const TTextBox& o) const { return Left < o.Right && o.Left < Right && Bottom < o.Top && o.Bottom < Top; }
};
TTextBox BoxOf(const TRecordedText& t)
{
    return {t.X, t.Y - 2.0f, t.X + 8.0f * float(t.Text.size()), t.Y + 8.0f};
}

// While a selection exists every view says how many of the records it holds, clear of the
// view's other texts; without a selection it says nothing of the kind.
TEST_P(EveryTechnique, WhileASelectionExistsItSaysHowManyRecordsPassClearOfItsOtherTexts)
{
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = f.Open(Technique());
    EXPECT_FALSE(f.Paint(*view).HasText(" of 392"));
    EXPECT_FALSE(f.Paint(*view).HasText("records"));

    f.Brush(4, 0.0f, 0.3f);  // low horsepower
    int inside = 0;  // counted from the cells
    for (int k = 0; k < f.Data->RecordsNumber; ++k) {
        const float v = f.Data->GetCell(4, k).Value();
        inside += 0.0f <= v && v <= 0.3f;
    }
    ASSERT_GT(inside, 0);
    const TRecordingDrawing r = f.Paint(*view);
    const std::string n = std::to_string(inside);
    // Its first line, in whichever of its forms the room allows.
    std::vector<const TRecordedText*> count;
    for (const TRecordedText& t : r.Texts)
        if (t.Meaning == TMeaning::Label && (t.Text == n + " of 392 records" || t.Text == n + " of 392" || t.Text == n))
            count.push_back(&t);
    ASSERT_EQ(count.size(), 1u) << "the count is shown once";
    if (std::string(Technique().Item).find("Fastmap") != std::string::npos) return;  // the rest is 3-D
    const TTextBox box = BoxOf(*count[0]);
    // Inside the view: the star's scene has its origin in the middle.
    const float origin = std::string(Technique().Item).find("Star") != std::string::npos ? -0.5f * float(view->width()) : 0.0f;
    EXPECT_GE(box.Left, origin);
    EXPECT_LE(box.Right, origin + float(view->width()));
    for (const TRecordedText& t : r.Texts) {
        if (&t == count[0] || t.Text == "records" || t.Text == "of 392" || t.Text == "of" || t.Text == "392") continue;
        EXPECT_FALSE(box.Overlaps(BoxOf(t))) << "\"" << count[0]->Text << "\" covers \"" << t.Text << "\"";
    }
}

// On the samples, with a brush, no label of a flat view covers another one (names, end
// values of a text column, brush read-outs, the record count). The CSV sample has the car
// names as a text column.
TEST_P(EveryTechnique, NoLabelCoversAnotherOnTheSamples)
{
    if (std::string(Technique().Item).find("Fastmap") != std::string::npos) GTEST_SKIP() << "a 3-D scene";
    for (const std::string& file : {CarsFile(), std::string(LUMETRA_SOURCE_DIR "/DataSets/Cars.csv")}) {
        SCOPED_TRACE(file);
        TViewFixture f;
        ASSERT_TRUE(f.LoadFile(file));
        TVisualizationPanel* view = f.Open(Technique());
        f.Brush(4, 0.0f, 0.3f);
        const TRecordingDrawing r = f.Paint(*view);
        std::vector<const TRecordedText*> labels;
        for (const TRecordedText& t : r.Texts)
            if (!t.Text.empty()) labels.push_back(&t);
        ASSERT_GT(labels.size(), 3u);
        for (std::size_t i = 0; i < labels.size(); ++i)
            for (std::size_t j = i + 1; j < labels.size(); ++j)
                EXPECT_FALSE(BoxOf(*labels[i]).Overlaps(BoxOf(*labels[j])))
                    << "\"" << labels[i]->Text << "\" at (" << labels[i]->X << ", " << labels[i]->Y << ") and \""
                    << labels[j]->Text << "\" at (" << labels[j]->X << ", " << labels[j]->Y << ")";
    }
}

TEST_P(EveryTechnique, ASecondDatasetReplacesTheFirstEverywhere)
{
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = Open(f);
    f.Brush(1, 0.2f, 0.6f);
    view->DrawModeFrequencyClick();
    f.Paint(*view);
    // A smaller dataset with fewer dimensions: nothing of the first may remain in use.
    ASSERT_TRUE(f.Load("#p q\n1 4\n2 3\n3 2\n"));
    f.SwitchData();
    const TRecordingDrawing r = f.Paint(*view);
    EXPECT_TRUE(r.AllFinite());
    EXPECT_EQ(view->PreProcessedData(), f.Data.get());
    view->DrawModeNormalClick();
    EXPECT_TRUE(f.Paint(*view).AllFinite());
}

TEST_P(EveryTechnique, DraggingInTheViewLeavesTheBrushesOfOtherDimensionsAsTheyWere)
{
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = Open(f);
    const int width = view->width(), height = view->height();
    // Vertical drags from a few places across the view, each after brushes on every
    // dimension the view does not have under the pointer along the drag.
    const int starts[][2] = {{width / 2, height / 2}, {width / 4, height / 3}, {width * 3 / 4, height * 2 / 3}};
    for (const auto& start : starts) {
        // The dimensions under the pointer along the drag may take its moves; no other may.
        std::vector<bool> touched(std::size_t(f.Data->NumberOfDimensions()), false);
        for (int step = 0; step <= 5; ++step) {
            // A view may answer from where the pointer last moved: move it there first.
            view->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, start[0], start[1] + 8 * step);
            const QPoint logical = view->ToSpace(QPointF(start[0], start[1] + 8 * step));
            int dimension = -1;
            view->GetDimensionAtPosition(dimension, logical.x(), logical.y());
            if (dimension >= 0 && dimension < int(touched.size())) touched[std::size_t(dimension)] = true;
        }
        f.Controller->RemoveAllSelections();
        for (int d = 0; d < f.Data->NumberOfDimensions(); ++d)
            if (!touched[std::size_t(d)]) f.Brush(d, 0.1f + 0.01f * d, 0.9f - 0.01f * d);
        const int count = f.Controller->NumberOfSelections();
        view->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, start[0], start[1]);
        view->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, start[0], start[1]);
        for (int step = 1; step <= 5; ++step)
            view->MouseMoveOnPanel(Qt::LeftButton, Qt::NoModifier, start[0], start[1] + 8 * step);
        view->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, start[0], start[1] + 40);
        EXPECT_EQ(f.Controller->NumberOfSelections(), count);
        for (int d = 0; d < f.Data->NumberOfDimensions(); ++d) {
            if (touched[std::size_t(d)]) continue;
            const TSelectionsList* list = f.Controller->GetSelectionsList(d);
            ASSERT_EQ(list->Count(), 1) << "dimension " << d;
            EXPECT_FLOAT_EQ(list->GetSelection(0)->MinNormalized(), 0.1f + 0.01f * d) << "dimension " << d;
            EXPECT_FLOAT_EQ(list->GetSelection(0)->MaxNormalized(), 0.9f - 0.01f * d) << "dimension " << d;
        }
    }
}

TEST_P(EveryTechnique, RemovingEveryBrushLeavesNothingPointingAtThem)
{
    TViewFixture f;
    ASSERT_TRUE(f.LoadFile(CarsFile()));
    TVisualizationPanel* view = Open(f);
    const int width = view->width(), height = view->height();
    for (int d = 0; d < 3; ++d) f.Brush(d, 0.2f, 0.7f);
    // Statistics of the dataset and of the brushes on, drawn once with the brushes.
    view->AverageAllClick();
    view->MedianAllClick();
    view->MouseMoveOnPanel(Qt::NoButton, Qt::NoModifier, width / 2, height / 2);
    view->AverageCurrentSelectionClick();
    f.Paint(*view);
    view->RemoveAllSelectionsClick();
    EXPECT_TRUE(f.Paint(*view).AllFinite());
    // A Ctrl+click then may make a new brush; nothing of the old ones may be read.
    view->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier, width / 2, height / 2);
    view->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::ControlModifier, width / 2, height / 2);
    EXPECT_TRUE(f.Paint(*view).AllFinite());
}

std::string Name(const ::testing::TestParamInfo<std::tuple<const TTechnique*, TDrawing>>& info)
{
    return std::string(std::get<0>(info.param)->Key) + (std::get<1>(info.param) == TDrawing::Density ? "_density" : "");
}

INSTANTIATE_TEST_SUITE_P(Views, EveryTechnique,
                         ::testing::Combine(::testing::ValuesIn(TechniquesWithViews()),
                                            ::testing::Values(TDrawing::Chosen, TDrawing::Density)),
                         Name);

} // namespace
