#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "render/RecordingDrawing.h"
#include "tests/vis/test_selections_fixtures.h"

namespace {

const std::vector<std::string> kNames = {"age", "rooms"};

std::unique_ptr<TPreProcessedData> SmallData()
{
    return MakeSelectionData(kNames, {{0.2f, 0.5f, 0.5f, 0.8f, 0.5f, 0.1f}, {0.3f, 0.3f, 0.6f, 0.9f, 0.9f, 0.9f}});
}

} // namespace

TEST(Selectioner, BoundsSelectRecordsInsideBothEndsIncluded)
{
    struct TCase {
        float Min, Max;
        std::vector<int> Records;
    };
    const TCase cases[] = {
        {0.5f, 0.5f, {1, 2, 4}},      // equal bounds: exactly the records with that value
        {0.2f, 0.5f, {0, 1, 2, 4}},   // both ends included, in record order
        {0.0f, 1.0f, {0, 1, 2, 3, 4, 5}},
        {0.6f, 0.7f, {}},
        {0.8f, 0.2f, {}},             // an inverted range holds nothing
        {-0.5f, 0.15f, {5}},          // bounds beyond [0, 1] while dragging
        {NAN, 1.0f, {}},
    };
    auto data = SmallData();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Min) + " .. " + std::to_string(c.Max));
        TSelectioner s;
        s.Attach(data.get(), 0);
        s.SetCalculateDataFrequencies = false;
        s.SetMaxNormalized(c.Max);
        s.SetMinNormalized(c.Min);
        EXPECT_EQ(IndexesOf(s.Records()), c.Records);
        EXPECT_EQ(s.Count(), static_cast<int>(c.Records.size()));
    }
}

TEST(Selectioner, FrequenciesAmongSelectedRecordsOnly)
{
    // Dimension 0: 0.1 twice, 0.2 and 0.9 once: all-record weights 1, 1, 0.5, 0.5.
    auto data = MakeSelectionData({"a", "b"}, {{0.1f, 0.1f, 0.2f, 0.9f}, {0.4f, 0.5f, 0.5f, 0.6f}});
    const std::vector<float> before0 = data->GetDimension(0)->Weights;
    const std::vector<float> before1 = data->GetDimension(1)->Weights;

    TSelectioner off;
    off.Attach(data.get(), 0);
    off.SetCalculateDataFrequencies = false;
    off.SetMaxNormalized(1.0f);
    off.SetMinNormalized(0.15f);
    EXPECT_EQ(data->GetDimension(0)->Weights, before0);

    TSelectioner s;
    s.Attach(data.get(), 0);
    s.SetMaxNormalized(1.0f);
    const TChangeStamp afterMax = data->FrequencyValuesTimeStamp;
    s.SetMinNormalized(0.15f);  // records 2 and 3
    EXPECT_NE(data->FrequencyValuesTimeStamp, afterMax);
    EXPECT_EQ(data->GetDimension(0)->Weights, (std::vector<float>{before0[0], before0[1], 1.0f, 1.0f}));
    // Dimension 1 among records 2 and 3: 0.5 and 0.6 once each.
    EXPECT_EQ(data->GetDimension(1)->Weights, (std::vector<float>{before1[0], before1[1], 1.0f, 1.0f}));

    // An unchanged bound recomputes nothing.
    const TChangeStamp stamp = data->FrequencyValuesTimeStamp;
    s.SetMinNormalized(0.15f);
    s.SetMaxNormalized(1.0f);
    EXPECT_EQ(data->FrequencyValuesTimeStamp, stamp);

    // A range without records leaves the weights as they are.
    s.SetMinNormalized(0.95f);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(data->FrequencyValuesTimeStamp, stamp);
}

TEST(Selectioner, BothBoundsSetTogether)
{
    auto data = MakeSelectionData({"a", "b"}, {{0.1f, 0.1f, 0.2f, 0.9f}, {0.4f, 0.5f, 0.5f, 0.6f}});
    TSelectioner s;
    s.Attach(data.get(), 0);
    const TChangeStamp before = data->FrequencyValuesTimeStamp;
    s.SetNormalizedRange(0.15f, 1.0f);
    EXPECT_EQ(IndexesOf(s.Records()), (std::vector<int>{2, 3}));
    const TChangeStamp once = data->FrequencyValuesTimeStamp;
    EXPECT_NE(once, before);
    // The same range again: nothing is recomputed.
    s.SetNormalizedRange(0.15f, 1.0f);
    EXPECT_EQ(data->FrequencyValuesTimeStamp, once);
    s.SetNormalizedRange(0.0f, 0.15f);
    EXPECT_EQ(IndexesOf(s.Records()), (std::vector<int>{0, 1}));
    EXPECT_FLOAT_EQ(s.MinNormalized(), 0.0f);
    EXPECT_FLOAT_EQ(s.MaxNormalized(), 0.15f);
}

// Switching any overlay on recalculates the statistics over the selected records; moving a
// bound afterwards keeps them current. With every overlay off they stay as they were.
TEST(Selectioner, StatisticsFollowTheSelectedRecordsWhileAnOverlayIsOn)
{
    using TToggle = bool (TSelectioner::*)();
    const TToggle toggles[] = {&TSelectioner::ToggleAverage, &TSelectioner::ToggleMedian,
                               &TSelectioner::ToggleModaValues, &TSelectioner::ToggleStandardDeviation};
    auto data = SmallData();
    for (TToggle toggle : toggles) {
        TSelectioner s;
        s.Attach(data.get(), 0);
        s.SetCalculateDataFrequencies = false;
        s.SetMaxNormalized(0.5f);
        s.SetMinNormalized(0.2f);  // records 0, 1, 2, 4
        TStatistics* rooms = s.StatisticsList()->GetStatistics(1);
        ASSERT_NE(rooms, nullptr);
        EXPECT_NEAR(rooms->Average(), 0.65f, 1e-6);  // still over all six records

        EXPECT_TRUE((s.*toggle)());
        EXPECT_NEAR(rooms->Average(), 0.525f, 1e-6);  // 0.3, 0.3, 0.6, 0.9
        EXPECT_NEAR(rooms->Median(), 0.45f, 1e-6);
        EXPECT_NEAR(rooms->Variance(), 0.0825f, 1e-5);
        EXPECT_EQ(rooms->GetModaValues(), (std::vector<float>{0.3f}));
        EXPECT_NEAR(s.StatisticsList()->GetStatistics(0)->Average(), 0.425f, 1e-6);

        s.SetMaxNormalized(0.8f);  // records 0 … 4
        EXPECT_NEAR(rooms->Average(), 0.6f, 1e-6);
        EXPECT_NEAR(rooms->Variance(), 0.09f, 1e-5);
        EXPECT_TRUE(rooms->GetModaValues().empty());  // 0.3 and 0.9 twice: 2 > 0.3 × 5

        EXPECT_FALSE((s.*toggle)());  // off again: no recalculation
        s.SetMinNormalized(0.5f);
        EXPECT_NEAR(rooms->Average(), 0.6f, 1e-6);
    }
}

TEST(Selectioner, ClauseText)
{
    auto data = SmallData();
    TSelectioner s;
    s.Attach(data.get(), 0);
    EXPECT_EQ(s.GetClause(), "0");
    s.SetMaxNormalized(0.5f);
    s.SetMinNormalized(0.2f);
    struct TCase {
        float Min, Max;
        const char* Clause;
    };
    const TCase cases[] = {
        {0.2f, 0.5f, "(0.2 <= age <= 0.5)"},
        {1.0f, 3.0f, "(1 <= age <= 3)"},
        {1.23456f, 1999.999f, "(1.23 <= age <= 2000)"},
        {-0.5f, 0.126f, "(-0.5 <= age <= 0.13)"},
    };
    for (const auto& c : cases) {
        s.MinValue = c.Min;
        s.MaxValue = c.Max;
        EXPECT_EQ(s.GetClause(), c.Clause);
    }
}

TEST(Selectioner, ClauseOfATextColumnNamesTheFirstAndLastCategoriesInside)
{
    // "col" holds the categories a, b, c, d (raw 0 … 3, normalised 0, 1/3, 2/3, 1).
    auto data = MakeUnitScaleData({"col"}, {{0.0f, 1.0f / 3, 2.0f / 3, 1.0f, 1.0f / 3}}, 3.0f);
    data->GetDimension(0)->Categories = {"a", "b", "c", "d"};
    struct TCase {
        float Min, Max;  // normalised bounds
        const char* Clause;
    };
    const TCase cases[] = {
        {0.1f, 0.45f, "(b <= col <= b)"},  // nearest bounds would name a and b
        {0.15f, 0.85f, "(b <= col <= c)"}, // nearest bounds would name a and d
        {0.0f, 1.0f, "(a <= col <= d)"},
        {0.3f, 1.0f, "(b <= col <= d)"},
        {-0.2f, 0.5f, "(a <= col <= b)"},  // bounds beyond the axis
        {0.7f, 0.9f, "0"},                 // between categories: nothing inside
    };
    for (const TCase& c : cases) {
        TSelectioner s;
        s.Attach(data.get(), 0);
        s.SetCalculateDataFrequencies = false;
        s.SetNormalizedRange(c.Min, c.Max);
        s.MinValue = data->Denormalise(0, c.Min);
        s.MaxValue = data->Denormalise(0, c.Max);
        EXPECT_EQ(s.GetClause(), c.Clause) << c.Min << " .. " << c.Max;
    }
}

TEST(Selectioner, DrawCallsItsFunctionThenItsStatistics)
{
    auto data = SmallData();
    TSelectioner s;
    s.Attach(data.get(), 0);
    std::vector<std::string> calls;
    s.DrawSelectionFunction = [&](TSelectioner* drawn) {
        EXPECT_EQ(drawn, &s);
        calls.push_back("selection");
    };
    s.Draw();
    s.ToggleAverage();
    s.StatisticsList()->DrawAverageList = [&](TStatisticsList*) { calls.push_back("average list"); };
    s.Draw();
    EXPECT_EQ(calls, (std::vector<std::string>{"selection", "selection", "average list"}));

    int resized = 0;
    s.Resize(3, 4);  // unset: nothing
    s.ResizeSelectionFunction = [&](TSelectioner* r, int x, int y) {
        EXPECT_EQ(r, &s);
        resized = x * 10 + y;
    };
    s.Resize(3, 4);
    EXPECT_EQ(resized, 34);
}

// ---- the list of one dimension ---------------------------------------------------------

TEST(SelectionsList, PaletteWrapsAroundNineColours)
{
    TSelectionsList list;
    const TOpenGLColor palette[] = {{0, 0, 1},       {0, 1, 0},          {1, 0, 1},
                                    {0, 1, 1},       {1, 0.63f, 0.04f},  {0.56f, 0.55f, 0.86f},
                                    {0.32f, 0.58f, 0.02f}, {0.65f, 0.65f, 0.08f}, {1, 1, 0}};
    for (int n = 0; n < 20; ++n) EXPECT_TRUE(*list.PaletteColor(n) == palette[n % 9]) << n;
    EXPECT_TRUE(*list.PaletteColor(-1) == palette[8]);

    // The tenth selection of a dimension is blue again.
    auto data = SmallData();
    list.SetSelectionDimensionIndex(0);
    std::vector<TSelectioner*> added;
    for (int k = 0; k < 10; ++k) added.push_back(AddSelection(list, data.get(), 0.1f, 0.2f));
    EXPECT_TRUE(*added[1]->Color() == palette[1]);
    EXPECT_TRUE(*added[9]->Color() == TOpenGLColor(0, 0, 1));
}

TEST(SelectionsList, FocusMovesToTheFirstAfterRemoval)
{
    auto data = SmallData();
    TSelectionsList list;
    list.SetSelectionDimensionIndex(0);
    TSelectioner* a = AddSelection(list, data.get(), 0.1f, 0.2f);
    TSelectioner* b = AddSelection(list, data.get(), 0.3f, 0.5f);
    TSelectioner* c = AddSelection(list, data.get(), 0.6f, 0.8f);
    EXPECT_EQ(list.FocusIndex(), 2);
    EXPECT_TRUE(c->DiferentiateColor);
    EXPECT_FALSE(b->DiferentiateColor);

    list.SetFocus(1);
    EXPECT_TRUE(b->DiferentiateColor);
    EXPECT_FALSE(c->DiferentiateColor);
    list.RemoveFocused();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.FocusIndex(), 0);
    EXPECT_EQ(list.GetSelection(0), a);
    EXPECT_TRUE(a->DiferentiateColor);
    EXPECT_FALSE(c->DiferentiateColor);

    list.SetFocus(-1);
    EXPECT_EQ(list.FocusIndex(), -1);
    EXPECT_FALSE(a->DiferentiateColor);
    list.RemoveFocused();  // nothing focused: nothing removed
    EXPECT_EQ(list.Count(), 2);

    // A focus index that names no selection leaves no focus (so removal cannot go wrong).
    list.SetFocus(5);
    EXPECT_EQ(list.FocusIndex(), -1);
    list.RemoveFocused();
    EXPECT_EQ(list.Count(), 2);

    list.SetFocus(1);
    list.RemoveFocused();
    list.RemoveFocused();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FocusIndex(), -1);

    AddSelection(list, data.get(), 0.1f, 0.2f);
    AddSelection(list, data.get(), 0.1f, 0.2f);
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FocusIndex(), -1);
    EXPECT_FALSE(list.ToggleFocusedAverage());
    EXPECT_FALSE(list.ToggleFocusedMedian());
    EXPECT_FALSE(list.ToggleFocusedModaValues());
    EXPECT_FALSE(list.ToggleFocusedStandardDeviation());
}

TEST(SelectionsList, ClauseJoinsSelectionsHoldingRecords)
{
    auto data = SmallData();
    TSelectionsList list;
    list.SetSelectionDimensionIndex(0);
    EXPECT_EQ(list.GetClause(), "0");
    AddSelection(list, data.get(), 0.6f, 0.7f);  // no record
    EXPECT_EQ(list.GetClause(), "0");
    AddSelection(list, data.get(), 0.2f, 0.5f);
    EXPECT_EQ(list.GetClause(), "((0.2 <= age <= 0.5))");
    AddSelection(list, data.get(), 0.8f, 0.8f);
    EXPECT_EQ(list.GetClause(), "((0.2 <= age <= 0.5) OR (0.8 <= age <= 0.8))");
}

TEST(SelectionsList, CallbacksAndTheirDefaults)
{
    auto data = SmallData();
    TSelectionsList list;
    list.SetSelectionDimensionIndex(0);
    EXPECT_EQ(list.SelectionOverWhichTheMouseIs(1, 2), 0);
    EXPECT_FALSE(list.UpdateSelectionsList(seResize, 1, 2));
    list.AddNewSelection(1, 2);
    EXPECT_EQ(list.Count(), 0);

    list.SelectionOverWhichTheMouseIsFunction = [&](TSelectionsList* l, int x, int y) {
        EXPECT_EQ(l, &list);
        return x + y;
    };
    list.UpdateSelectionsListFunction = [&](TSelectionsList* l, ENUM_selectionEvents event, int, int) {
        EXPECT_EQ(l, &list);
        return event == seRemove;
    };
    list.AddNewSelectionFunction = [&](TSelectionsList* l, int, int) { AddSelection(*l, data.get(), 0.1f, 0.2f); };
    EXPECT_EQ(list.SelectionOverWhichTheMouseIs(1, 2), 3);
    EXPECT_TRUE(list.UpdateSelectionsList(seRemove, 0, 0));
    list.AddNewSelection(0, 0);
    EXPECT_EQ(list.Count(), 1);

    // The draw and resize functions reach the selections already in the list.
    TSelectioner* existing = list.GetSelection(0);
    int drawn = 0;
    list.SetDrawSelectionFunction([&](TSelectioner*) { ++drawn; });
    list.SetResizeSelectionFunction([&](TSelectioner*, int, int) { drawn += 100; });
    existing->Draw();
    existing->Resize(0, 0);
    EXPECT_EQ(drawn, 101);
}

TEST(SelectionsList, CalculateDataFrequenciesFlagForExistingSelectionsOnly)
{
    auto data = SmallData();
    TSelectionsList list;
    list.SetSelectionDimensionIndex(0);
    TSelectioner* before = AddSelection(list, data.get(), 0.1f, 0.2f);
    list.SetCalculateDataFrequencies(false);
    TSelectioner* after = AddSelection(list, data.get(), 0.1f, 0.2f);
    EXPECT_FALSE(before->SetCalculateDataFrequencies);
    EXPECT_TRUE(after->SetCalculateDataFrequencies);
}

TEST(SelectionsList, DrawSelectionsUsesLineWidthThreeAndDrawsEachInOrder)
{
    auto data = SmallData();
    TSelectionsList list;
    list.SetSelectionDimensionIndex(1);
    TRecordingDrawing rec;
    std::vector<TSelectioner*> drawn;
    list.SetDrawSelectionFunction([&](TSelectioner* s) {
        EXPECT_EQ(rec.CurrentState.LineWidth, 3.0f);
        drawn.push_back(s);
    });
    TSelectioner* a = AddSelection(list, data.get(), 0.1f, 0.4f);
    TSelectioner* b = AddSelection(list, data.get(), 0.5f, 0.9f);
    {
        TCurrentDrawing current(rec);
        list.DrawSelections();
    }
    EXPECT_EQ(drawn, (std::vector<TSelectioner*>{a, b}));
    ASSERT_FALSE(rec.Calls.empty());
    EXPECT_EQ(rec.Calls.front(), "LineWidth(3)");

    // A selection showing statistics draws them after itself: red, then its statistics.
    b->ToggleMedian();
    std::vector<TOpenGLColor> medianColours;
    b->StatisticsList()->SetDrawMedian([&](TStatistics*) { medianColours.push_back(rec.CurrentColor); });
    b->StatisticsList()->DrawMedianList = [&](TStatisticsList*) { medianColours.push_back(rec.CurrentColor); };
    rec.Reset();
    {
        TCurrentDrawing current(rec);
        list.DrawSelections();
    }
    ASSERT_EQ(medianColours.size(), 3u);  // two dimensions, then the list-level function
    EXPECT_TRUE(medianColours[0] == TOpenGLColor(0, 0, 1));
}

// ---- colours of a workspace's brushes

// Each new brush of a workspace takes the palette colour fewest of its brushes wear, across
// all dimensions: never the blue of unbrushed records (nor the red the focused one is drawn
// in, which the palette lacks), and a colour given up by a removed brush comes back first.
TEST(SelectionsController, EachBrushOfAWorkspaceTakesItsOwnPaletteColour)
{
    auto data = SmallData();
    TSelectionsController controller;
    controller.BindData(data.get());
    ASSERT_GE(controller.Count(), 2);
    TSelectionsList& first = *controller.GetSelectionsList(0);
    TSelectionsList& second = *controller.GetSelectionsList(1);
    std::vector<TOpenGLColor> colours;
    for (int k = 0; k < 8; ++k) {
        TSelectionsList& list = k % 2 ? second : first;
        colours.push_back(*AddSelectionOver(list, data.get(), 0.1f, 0.2f)->Color());
    }
    for (std::size_t k = 0; k < colours.size(); ++k) {
        EXPECT_FALSE(colours[k] == TOpenGLColor(0, 0, 1)) << k;
        EXPECT_FALSE(colours[k] == TOpenGLColor(1, 0, 0)) << k;
        EXPECT_TRUE(colours[k] == *first.PaletteColor(int(k) + 1)) << k;
    }
    // Eight brushes wear the eight colours; a ninth shares the first one's.
    EXPECT_TRUE(*AddSelectionOver(second, data.get(), 0.3f, 0.4f)->Color() == colours[0]);
    // The colour of a removed brush is the one the next brush takes.
    first.SetFocus(1);  // the third brush made, magenta
    first.RemoveFocused();
    EXPECT_TRUE(*AddSelectionOver(first, data.get(), 0.5f, 0.6f)->Color() == colours[2]);
}

// While a brush is dragged with an overlay and frequencies on, its statistics and the
// frequency weights of its records (kept up to date from the records that changed sides)
// equal those computed afresh over the records inside, after small and large moves alike.
TEST(Selectioner, StatisticsAndFrequenciesFollowADrag)
{
    std::uint32_t state = 424242;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    std::vector<std::vector<float>> columns(3);
    for (int k = 0; k < 3000; ++k) {
        columns[0].push_back(static_cast<float>(next(1001)) / 1000.0f);
        columns[1].push_back(static_cast<float>(next(7)) / 6.0f);
        columns[2].push_back(static_cast<float>(next(100000)) / 99999.0f);
    }
    auto data = MakeSelectionData({"a", "b", "c"}, columns);
    TSelectioner s;
    s.Attach(data.get(), 0);
    s.SetNormalizedRange(0.3f, 0.6f);
    s.ToggleMedian();
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        const float delta = (static_cast<float>(next(21)) - 10.0f) / (step % 7 == 6 ? 10.0f : 2000.0f);
        if (step % 2) s.SetMaxNormalized(s.MaxNormalized() + delta);
        else s.SetMinNormalized(s.MinNormalized() + delta);
        const TRecordList& inside = s.Records();
        for (int d = 0; d < 3; ++d) {
            TStatistics fresh;
            fresh.SetValues(d, *data->GetDimension(d), inside);
            const TStatistics* kept = s.StatisticsList()->GetStatistics(d);
            ASSERT_EQ(kept->Count(), fresh.Count()) << d;
            EXPECT_NEAR(kept->Average(), fresh.Average(), 1e-4f) << d;
            EXPECT_EQ(kept->Median(), fresh.Median()) << d;
            EXPECT_NEAR(kept->Variance(), fresh.Variance(), 1e-4f) << d;
            EXPECT_EQ(kept->GetModaValues(), fresh.GetModaValues()) << d;
            if (inside.empty()) continue;
            std::map<float, int> counts;
            for (const TPreProcessedRecord* r : inside) ++counts[data->Value(d, r)];
            int most = 0;
            for (const auto& [value, count] : counts) most = std::max(most, count);
            for (const TPreProcessedRecord* r : inside) {
                const int count = counts[data->Value(d, r)];
                ASSERT_EQ(data->GetCell(d, r->Index).Occurrences(), count) << d << " record " << r->Index;
                ASSERT_EQ(data->Weight(d, r), static_cast<float>(count) / static_cast<float>(most)) << d;
            }
        }
    }
}
