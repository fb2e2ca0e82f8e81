#include <gtest/gtest.h>

#include "render/RecordingDrawing.h"
#include "tests/vis/test_selections_fixtures.h"

namespace {

// Records by their hits in [0.4, 0.6] on a, b, c (d never has a selection):
//   0: a b c   1: a b   2: a   3: none   4: b   5: b c   6: a c
std::unique_ptr<TPreProcessedData> LogicData()
{
    return MakeSelectionData({"a", "b", "c", "d"}, {{0.5f, 0.5f, 0.5f, 0.9f, 0.9f, 0.9f, 0.5f},
                                                    {0.5f, 0.5f, 0.9f, 0.9f, 0.5f, 0.5f, 0.9f},
                                                    {0.5f, 0.9f, 0.9f, 0.9f, 0.9f, 0.5f, 0.5f},
                                                    {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f}});
}

struct TFixture {
    std::unique_ptr<TPreProcessedData> Data;
    TSelectionsController Controller;

    explicit TFixture(std::unique_ptr<TPreProcessedData> data) : Data(std::move(data)) { Controller.BindData(Data.get()); }

    TSelectioner* Add(int dimension, float min, float max)
    {
        return AddSelection(*Controller.GetSelectionsList(dimension), Data.get(), min, max);
    }

    // A view's methods: list i spans x in [10 i, 10 i + 10); a click at y creates a
    // one-value selection at y / 100; a selection is hit when y / 100 lies inside it.
    void InstallView()
    {
        Controller.GetFocusedSelectionListFunction = [](TSelectionsController*, int x, int) { return x / 10; };
        Controller.SetSelectionOverWhichTheMouseIsFunction([](TSelectionsList* list, int, int y) {
            const float v = static_cast<float>(y) / 100.0f;
            for (int i = 0; i < list->Count(); ++i)
                if (list->GetSelection(i)->MinNormalized() <= v && v <= list->GetSelection(i)->MaxNormalized()) return i;
            return -1;
        });
        Controller.SetAddNewSelectionFunction([this](TSelectionsList* list, int, int y) {
            const float v = static_cast<float>(y) / 100.0f;
            AddSelection(*list, Data.get(), v, v);
        });
        Controller.SetResizeSelectionFunction([](TSelectioner* s, int, int y) {
            const float v = static_cast<float>(y) / 100.0f;
            if (v > s->MaxNormalized()) s->SetMaxNormalized(v);
            else s->SetMinNormalized(v);
        });
        Controller.SetUpdateSelectionsListFunction([](TSelectionsList* list, ENUM_selectionEvents event, int x, int y) {
            switch (event) {
            case seSelect:
                list->SetFocus(list->SelectionOverWhichTheMouseIs(x, y));
                if (list->FocusIndex() == -1) list->AddNewSelection(x, y);
                return false;
            case seRemove:
                list->RemoveFocused();
                return true;
            case seResize:
                if (list->Count() == 0) return false;
                if (TSelectioner* focused = list->GetSelection(list->FocusIndex())) focused->Resize(x, y);
                return true;
            }
            return false;
        });
    }
};

} // namespace

TEST(SelectionsController, BindsOneListPerDimension)
{
    TFixture f(LogicData());
    ASSERT_EQ(f.Controller.Count(), 4);
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(f.Controller.GetSelectionsList(d)->SelectionDimensionIndex(), d);
        EXPECT_EQ(f.Controller.GetSelectionsList(d)->Count(), 0);
    }
    EXPECT_EQ(f.Controller.GetSelectionsList(4), nullptr);
    EXPECT_EQ(f.Controller.NumberOfSelections(), 0);
    f.Add(0, 0.1f, 0.2f);
    f.Add(0, 0.3f, 0.4f);
    f.Add(2, 0.3f, 0.4f);
    EXPECT_EQ(f.Controller.NumberOfSelections(), 3);
}

TEST(SelectionsController, LogicOperationsOverTheDimensionsWithSelections)
{
    struct TCase {
        ENUM_logicOperations Operation;
        std::vector<int> Dimensions;
        std::vector<int> Listed;
    };
    const TCase cases[] = {
        {loAND, {0, 1, 2}, {0}},
        {loOR, {0, 1, 2}, {0, 1, 2, 4, 5, 6}},
        {loXOR, {0, 1, 2}, {0, 2, 4}},  // hits in three dimensions listed, in two not
        {loAND, {0, 2}, {0, 6}},        // b and d have no selection and are ignored
        {loOR, {0, 2}, {0, 1, 2, 5, 6}},
        {loXOR, {0, 2}, {1, 2, 5}},
        {loAND, {3}, {3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Operation));
        TFixture f(LogicData());
        for (int d : c.Dimensions) {
            if (d == 3)
                f.Add(d, 0.35f, 0.65f);
            else
                f.Add(d, 0.4f, 0.6f);
        }
        f.Controller.LogicOperation = c.Operation;
        const TRecordList* listed = f.Controller.ListOfItemsSatisfyingSelections();
        ASSERT_NE(listed, nullptr);
        EXPECT_EQ(IndexesOf(*listed), c.Listed);
    }
}

TEST(SelectionsController, SeveralSelectionsOfOneDimension)
{
    TFixture f(LogicData());
    f.Add(0, 0.85f, 0.95f);
    f.Add(0, 0.4f, 0.6f);
    f.Add(1, 0.85f, 0.95f);
    f.Controller.LogicOperation = loAND;
    // a anywhere in its two selections, b = 0.9: records 2, 3 and 6.
    EXPECT_EQ(IndexesOf(*f.Controller.ListOfItemsSatisfyingSelections()), (std::vector<int>{2, 3, 6}));
    f.Controller.LogicOperation = loXOR;
    // One hit per dimension at most: a always hits, so records with b = 0.5 are listed.
    EXPECT_EQ(IndexesOf(*f.Controller.ListOfItemsSatisfyingSelections()), (std::vector<int>{0, 1, 4, 5}));
}

TEST(SelectionsController, EveryHitRecolours)
{
    TFixture f(LogicData());
    const TOpenGLColor grey(0.5f, 0.5f, 0.5f), first(1, 0, 0), second(0, 1, 0), inB(0, 0, 0);
    TSelectioner* a1 = f.Add(0, 0.4f, 0.6f);
    TSelectioner* a2 = f.Add(0, 0.45f, 0.55f);
    TSelectioner* b = f.Add(1, 0.4f, 0.6f);
    a1->Color()->Assign(first);
    a2->Color()->Assign(second);
    b->Color()->Assign(inB);
    struct TCase {
        ENUM_logicOperations Operation;
        std::vector<TOpenGLColor> Colours;  // of records 0 … 6
    };
    const TCase cases[] = {
        // AND: record 2 is hit in a and missed in b: recoloured, not listed; record 4 is
        // missed in a, so b is never examined for it.
        {loAND, {inB, inB, first, grey, grey, grey, first}},
        // OR: the last dimension with a hit gives the colour.
        {loOR, {inB, inB, first, grey, inB, inB, first}},
        {loXOR, {inB, inB, first, grey, inB, inB, first}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Operation));
        for (auto* record : f.Data->ListOfPreprocessedRecords) record->Color = grey;
        f.Controller.LogicOperation = c.Operation;
        f.Controller.ListOfItemsSatisfyingSelections();
        for (int k = 0; k < 7; ++k) EXPECT_TRUE(f.Data->GetRecord(k)->Color == c.Colours[k]) << "record " << k;
    }
}

TEST(SelectionsController, NullWithoutSelectionsUnlessItemsAreKept)
{
    TFixture f(LogicData());
    EXPECT_EQ(f.Controller.ListOfItemsSatisfyingSelections(), nullptr);

    TSelectioner* empty = f.Add(0, 0.6f, 0.7f);
    const TRecordList* listed = f.Controller.ListOfItemsSatisfyingSelections();
    ASSERT_NE(listed, nullptr);
    EXPECT_TRUE(listed->empty());

    empty->SetMinNormalized(0.4f);  // [0.4, 0.7]
    EXPECT_EQ(IndexesOf(*f.Controller.ListOfItemsSatisfyingSelections()), (std::vector<int>{0, 1, 2, 6}));

    // Kept items survive the removal of every selection while KeepItemsList is on.
    f.Controller.RemoveAllSelections();
    f.Controller.KeepItemsList = true;
    listed = f.Controller.ListOfItemsSatisfyingSelections();
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(IndexesOf(*listed), (std::vector<int>{0, 1, 2, 6}));
    EXPECT_TRUE(f.Controller.KeepItemsList);

    // With selections the list is computed afresh and the flag cleared.
    f.Add(1, 0.85f, 0.95f);
    EXPECT_EQ(IndexesOf(*f.Controller.ListOfItemsSatisfyingSelections()), (std::vector<int>{2, 3, 6}));
    EXPECT_FALSE(f.Controller.KeepItemsList);
    f.Controller.RemoveAllSelections();
    EXPECT_EQ(f.Controller.ListOfItemsSatisfyingSelections(), nullptr);

    // Computed without any selection, the list holds no record, whatever the operation.
    f.Controller.ComputeItemsSatisfyingSelections();
    f.Controller.KeepItemsList = true;
    EXPECT_TRUE(f.Controller.ListOfItemsSatisfyingSelections()->empty());
}

TEST(SelectionsController, ProcessSelectionEventRoutesToTheListUnderThePointer)
{
    TFixture f(LogicData());
    EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seSelect, 5, 50));  // no list callback
    EXPECT_EQ(f.Controller.CurrentListIndex, -1);

    f.InstallView();
    EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seSelect, 95, 50));  // past the last list
    EXPECT_EQ(f.Controller.GetSelectionsList(0)->Count(), 0);

    EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seSelect, 15, 50));  // creates one on b
    EXPECT_EQ(f.Controller.CurrentListIndex, 1);
    TSelectionsList* b = f.Controller.GetSelectionsList(1);
    ASSERT_EQ(b->Count(), 1);
    EXPECT_EQ(IndexesOf(b->GetSelection(0)->Records()), (std::vector<int>{0, 1, 4, 5}));

    EXPECT_TRUE(f.Controller.ProcessSelectionEvent(seResize, 15, 95));
    EXPECT_EQ(b->GetSelection(0)->MaxNormalized(), 0.95f);
    EXPECT_EQ(b->GetSelection(0)->Count(), 7);

    EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seSelect, 18, 20));  // a second one
    EXPECT_EQ(b->Count(), 2);
    EXPECT_TRUE(f.Controller.ProcessSelectionEvent(seRemove, 15, 0));  // one left
    EXPECT_EQ(b->Count(), 1);
    EXPECT_EQ(f.Controller.CurrentListIndex, 1);

    // A plain click over a dimension without selections answers false.
    EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seResize, 25, 50));
    EXPECT_EQ(f.Controller.CurrentListIndex, -1);
}

// Removing the last selection of a dimension with a Shift+click restores the frequency
// weights of all records; removing it through the menu command does not.
TEST(SelectionsController, RemovingTheLastSelectionByClickRestoresFrequencies)
{
    for (bool byClick : {true, false}) {
        SCOPED_TRACE(byClick ? "click" : "menu");
        TFixture f(LogicData());
        f.InstallView();
        std::vector<std::vector<float>> loaded;
        for (int d = 0; d < 4; ++d) loaded.push_back(f.Data->GetDimension(d)->Weights);

        f.Add(0, 0.85f, 0.95f);  // records 3, 4, 5: their weights among themselves
        ASSERT_NE(f.Data->GetDimension(1)->Weights, loaded[1]);
        const std::vector<float> selected1 = f.Data->GetDimension(1)->Weights;

        if (byClick) {
            EXPECT_FALSE(f.Controller.ProcessSelectionEvent(seRemove, 5, 0));
        } else {
            f.Controller.CurrentListIndex = 0;
            f.Controller.RemoveSelection(0);
        }
        EXPECT_EQ(f.Controller.GetSelectionsList(0)->Count(), 0);
        EXPECT_EQ(f.Controller.CurrentListIndex, -1);
        if (byClick) {
            for (int d = 0; d < 4; ++d) EXPECT_EQ(f.Data->GetDimension(d)->Weights, loaded[d]) << d;
        } else {
            EXPECT_EQ(f.Data->GetDimension(1)->Weights, selected1);
        }
    }
}

TEST(SelectionsController, WhereClause)
{
    auto twoDimensions = [] { return MakeSelectionData({"age", "rooms"}, {{0.2f, 0.5f, 0.9f}, {0.1f, 0.3f, 0.9f}}); };
    auto withUnits = [](TSelectioner* s, float min, float max) {
        s->MinValue = min;
        s->MaxValue = max;
    };
    {
        TSelectionsController unbound;
        EXPECT_EQ(unbound.GetWhereClause(), "");
    }
    {
        TFixture f(twoDimensions());
        EXPECT_EQ(f.Controller.GetWhereClause(), "0");  // no selection holds a record
        withUnits(f.Add(0, 0.2f, 0.5f), 0.2f, 0.5f);
        withUnits(f.Add(1, 0.1f, 0.3f), 1.0f, 3.0f);
        EXPECT_EQ(f.Controller.GetWhereClause(), "(((0.2 <= age <= 0.5)) AND \n((1 <= rooms <= 3)))");
        f.Controller.LogicOperation = loOR;
        EXPECT_EQ(f.Controller.GetWhereClause(), "(((0.2 <= age <= 0.5)) OR \n((1 <= rooms <= 3)))");
        f.Controller.LogicOperation = loXOR;
        EXPECT_EQ(f.Controller.GetWhereClause(), "(((0.2 <= age <= 0.5)) OR \n((1 <= rooms <= 3)))");
    }
    for (ENUM_logicOperations operation : {loAND, loOR}) {
        TFixture f(twoDimensions());
        f.Controller.LogicOperation = operation;
        withUnits(f.Add(0, 0.2f, 0.5f), 0.2f, 0.5f);
        f.Add(1, 0.5f, 0.6f);  // holds no record: contributes nothing
        EXPECT_EQ(f.Controller.GetWhereClause(), "(((0.2 <= age <= 0.5)))");
    }
}

TEST(SelectionsController, SelectionCommands)
{
    TFixture f(LogicData());
    int created = -1;
    f.Controller.NewSelection(2);  // unset: nothing
    f.Controller.SelectionsControllerAddNewSelectionFunction = [&](TSelectionsController* c, int d) {
        EXPECT_EQ(c, &f.Controller);
        created = d;
    };
    f.Controller.NewSelection(2);
    EXPECT_EQ(created, 2);

    TSelectionsList* a = f.Controller.GetSelectionsList(0);
    f.Add(0, 0.1f, 0.2f);
    f.Add(0, 0.3f, 0.4f);
    f.Add(0, 0.5f, 0.6f);
    EXPECT_EQ(a->FocusIndex(), 2);
    f.Controller.AlternateSelection(0);
    EXPECT_EQ(a->FocusIndex(), 0);
    EXPECT_TRUE(a->GetSelection(0)->DiferentiateColor);
    EXPECT_FALSE(a->GetSelection(2)->DiferentiateColor);
    f.Controller.AlternateSelection(0);
    EXPECT_EQ(a->FocusIndex(), 1);
    a->SetFocus(-1);
    f.Controller.AlternateSelection(0);
    EXPECT_EQ(a->FocusIndex(), -1);
    f.Controller.AlternateSelection(9);  // no such dimension: nothing

    a->SetFocus(1);
    EXPECT_TRUE(f.Controller.ToggleSelectionMedian(0));
    EXPECT_TRUE(a->GetSelection(1)->StatisticsList()->ShowMedian());
    EXPECT_FALSE(a->GetSelection(0)->StatisticsList()->ShowMedian());
    EXPECT_TRUE(f.Controller.ToggleSelectionAverage(0));
    EXPECT_TRUE(f.Controller.ToggleSelectionModaValues(0));
    EXPECT_TRUE(f.Controller.ToggleSelectionStandardDeviation(0));
    EXPECT_FALSE(f.Controller.ToggleSelectionMedian(0));
    EXPECT_FALSE(f.Controller.ToggleSelectionAverage(1));  // no focused selection there

    f.Controller.SetCalculateDataFrequencies(false);
    for (int i = 0; i < a->Count(); ++i) EXPECT_FALSE(a->GetSelection(i)->SetCalculateDataFrequencies);

    f.Controller.CurrentListIndex = 0;
    f.Controller.RemoveSelection(0);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(f.Controller.CurrentListIndex, 0);
    f.Add(3, 0.1f, 0.2f);
    f.Controller.RemoveAllSelections();
    EXPECT_EQ(f.Controller.NumberOfSelections(), 0);
    EXPECT_EQ(f.Controller.CurrentListIndex, -1);
}

TEST(SelectionsController, CallbackSettersReachListsAndSelections)
{
    TFixture f(LogicData());
    TSelectioner* existing = f.Add(1, 0.1f, 0.2f);
    std::vector<std::string> calls;
    f.Controller.SetDrawSelectionFunction([&](TSelectioner* s) { calls.push_back("draw " + std::to_string(s->SelectionDimensionIndex())); });
    f.Controller.SetResizeSelectionFunction([&](TSelectioner*, int, int) { calls.push_back("resize"); });
    f.Controller.SetAddNewSelectionFunction([&](TSelectionsList*, int, int) { calls.push_back("add"); });
    f.Controller.SetSelectionOverWhichTheMouseIsFunction([](TSelectionsList*, int, int) { return 7; });
    f.Controller.SetUpdateSelectionsListFunction([](TSelectionsList*, ENUM_selectionEvents, int, int) { return true; });
    existing->Resize(0, 0);
    TSelectionsList* c = f.Controller.GetSelectionsList(2);
    c->AddNewSelection(0, 0);
    EXPECT_EQ(c->SelectionOverWhichTheMouseIs(0, 0), 7);
    EXPECT_TRUE(c->UpdateSelectionsList(seRemove, 0, 0));
    EXPECT_EQ(calls, (std::vector<std::string>{"resize", "add"}));

    // Drawing goes list by list in dimension order, each at line width 3.
    f.Add(0, 0.1f, 0.2f)->DrawSelectionFunction = f.Controller.DrawSelectionFunction();
    f.Add(3, 0.1f, 0.2f)->DrawSelectionFunction = f.Controller.DrawSelectionFunction();
    calls.clear();
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        f.Controller.DrawSelections();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"draw 0", "draw 1", "draw 3"}));
    EXPECT_EQ(rec.CountCalls("LineWidth(3)"), 4);
}

namespace {

// The combination rule written out plainly, record by record, to check the controller's
// pass against: listed records and the colour each record ends with.
std::vector<int> ReferenceCombination(TSelectionsController& controller, TPreProcessedData& data,
                                      std::vector<TOpenGLColor>& colours)
{
    std::vector<int> listed;
    for (TPreProcessedRecord* record : data.ListOfPreprocessedRecords) {
        bool selected = false, seen = false;
        for (int d = 0; d < controller.Count(); ++d) {
            TSelectionsList* list = controller.GetSelectionsList(d);
            for (int s = 0; s < list->Count(); ++s) {
                TSelectioner* selection = list->GetSelection(s);
                const float v = data.Value(d, record);
                if (selection->MinNormalized() <= v && v <= selection->MaxNormalized()) {
                    colours[static_cast<std::size_t>(record->Index)] = *selection->Color();
                    selected = true;
                    if (controller.LogicOperation == loXOR) {
                        if (!seen) seen = true;
                        else selected = seen = false;
                    }
                    break;
                }
                if (controller.LogicOperation == loAND) selected = false;
            }
            if (list->Count() > 0 && controller.LogicOperation == loAND && !selected) break;
        }
        if (selected) listed.push_back(record->Index);
    }
    return listed;
}

} // namespace

TEST(SelectionsController, CombinationMatchesTheRecordByRecordRule)
{
    std::uint32_t state = 12345;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::vector<float>> columns(4);
        for (auto& column : columns)
            for (int k = 0; k < 150; ++k) column.push_back(static_cast<float>(next(11)) / 10.0f);
        TFixture f(MakeSelectionData({"a", "b", "c", "d"}, columns));
        for (int d = 0; d < 4; ++d) {
            const int selections = static_cast<int>(next(4));
            for (int s = 0; s < selections; ++s) {
                const float low = static_cast<float>(next(12)) / 10.0f - 0.05f;
                TSelectioner* added = f.Add(d, low, low + static_cast<float>(next(5)) / 10.0f);
                added->Color()->SetColor(static_cast<float>(d), static_cast<float>(s), 0.5f);
            }
        }
        if (round % 7 == 0) f.Add(1, 0.3f, 0.3f);
        // Records start in several colours, so keeping a colour shows.
        for (auto* record : f.Data->ListOfPreprocessedRecords)
            record->Color = TOpenGLColor(static_cast<float>(next(3)), 0.25f, 0.75f);
        for (ENUM_logicOperations operation : {loAND, loOR, loXOR}) {
            f.Controller.LogicOperation = operation;
            std::vector<TOpenGLColor> expected;
            for (auto* record : f.Data->ListOfPreprocessedRecords) expected.push_back(record->Color);
            const std::vector<int> reference = ReferenceCombination(f.Controller, *f.Data, expected);
            const TRecordList* listed = f.Controller.ListOfItemsSatisfyingSelections();
            if (f.Controller.NumberOfSelections() == 0) {
                EXPECT_EQ(listed, nullptr);
                continue;
            }
            ASSERT_NE(listed, nullptr);
            EXPECT_EQ(IndexesOf(*listed), reference) << "operation " << static_cast<int>(operation);
            for (auto* record : f.Data->ListOfPreprocessedRecords)
                EXPECT_TRUE(record->Color == expected[static_cast<std::size_t>(record->Index)]) << record->Index;
        }
    }
}

TEST(SelectionsController, VersionChangesWithWhatTheCombinationReadsAndOnlyThen)
{
    TFixture f(LogicData());
    const auto start = f.Controller.Version();
    EXPECT_EQ(f.Controller.Version(), start);  // asking changes nothing
    TSelectioner* a = f.Add(0, 0.4f, 0.6f);
    const auto withA = f.Controller.Version();
    EXPECT_NE(withA, start);
    TRecordList* first = f.Controller.ListOfItemsSatisfyingSelections();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->size(), 4u);  // records 0, 1, 2, 6
    EXPECT_EQ(f.Controller.Version(), withA);  // computing the list is no change

    a->SetMaxNormalized(0.95f);
    const auto wider = f.Controller.Version();
    EXPECT_NE(wider, withA);
    EXPECT_EQ(f.Controller.ListOfItemsSatisfyingSelections()->size(), 7u);  // recomputed, not the stale list

    f.Controller.LogicOperation = loXOR;
    EXPECT_NE(f.Controller.Version(), wider);
    a->Color()->Assign(TOpenGLColor(0, 1, 0));
    const auto recoloured = f.Controller.Version();
    EXPECT_TRUE(f.Controller.ListOfItemsSatisfyingSelections()->front()->Color == TOpenGLColor(0, 1, 0));

    f.Data->SortRecordsByDimension(3, f.Data->ListOfPreprocessedRecords);  // already in order by d, but a new order stamp
    EXPECT_NE(f.Controller.Version(), recoloured);
    f.Controller.RemoveAllSelections();
    EXPECT_EQ(f.Controller.ListOfItemsSatisfyingSelections(), nullptr);
}

// Dragging: every small or large move of a bound (one edge, the other, both at once), with
// the records listed in storage order or in another order, leaves each selection holding
// exactly the records inside it and the combination (records listed, colours) equal to the
// record-by-record rule, step after step, for every logic operation, also when a brush
// changes colour on the way.
TEST(SelectionsController, DragsMatchTheRecordByRecordRule)
{
    std::uint32_t state = 987654321;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    auto bound = [&next] { return static_cast<float>(next(140)) / 100.0f - 0.2f; };
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::vector<float>> columns(4);
        for (std::size_t d = 0; d < columns.size(); ++d)
            for (int k = 0; k < 400; ++k)
                columns[d].push_back(d % 2 ? static_cast<float>(next(21)) / 20.0f : static_cast<float>(next(100001)) / 100000.0f);
        TFixture f(MakeSelectionData({"a", "b", "c", "d"}, columns));
        if (round % 3 == 1) f.Data->SortRecordsByDimension(2, f.Data->ListOfPreprocessedRecords);
        std::vector<TSelectioner*> selections;
        for (int d = 0; d < 4; ++d)
            for (int s = static_cast<int>(next(3)); s > 0; --s) {
                const float low = bound();
                selections.push_back(f.Add(d, low, low + static_cast<float>(next(6)) / 10.0f));
                selections.back()->SetCalculateDataFrequencies = false;
                selections.back()->Color()->SetColor(static_cast<float>(d), static_cast<float>(s), 0.25f);
            }
        if (selections.empty()) selections.push_back(f.Add(1, 0.2f, 0.6f));
        f.Controller.LogicOperation = static_cast<ENUM_logicOperations>(round % 3);
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(step);
            TSelectioner* moved = selections[next(static_cast<std::uint32_t>(selections.size()))];
            // Mostly small moves, as a drag makes them; now and then a jump.
            const float delta = (static_cast<float>(next(21)) - 10.0f) / (step % 5 == 4 ? 4.0f : 200.0f);
            switch (next(3)) {
            case 0: moved->SetMaxNormalized(moved->MaxNormalized() + delta); break;
            case 1: moved->SetMinNormalized(moved->MinNormalized() + delta); break;
            default: moved->SetNormalizedRange(moved->MinNormalized() + delta, moved->MaxNormalized() + delta); break;
            }
            if (step % 13 == 6) moved->Color()->SetColor(0.5f, static_cast<float>(step), 1.0f);  // a new colour mid-drag
            std::vector<int> inside;
            for (const TPreProcessedRecord* record : f.Data->ListOfPreprocessedRecords) {
                const float v = f.Data->Value(moved->SelectionDimensionIndex(), record);
                if (moved->MinNormalized() <= v && v <= moved->MaxNormalized()) inside.push_back(record->Index);
            }
            EXPECT_EQ(IndexesOf(moved->Records()), inside);
            EXPECT_EQ(moved->Count(), static_cast<int>(inside.size()));

            std::vector<TOpenGLColor> byIndex(f.Data->ListOfPreprocessedRecords.size());
            for (auto* record : f.Data->ListOfPreprocessedRecords)
                byIndex[static_cast<std::size_t>(record->Index)] = record->Color;
            const std::vector<int> reference = ReferenceCombination(f.Controller, *f.Data, byIndex);
            const TRecordList* listed = f.Controller.ListOfItemsSatisfyingSelections();
            ASSERT_NE(listed, nullptr);
            ASSERT_EQ(IndexesOf(*listed), reference);
            for (auto* record : f.Data->ListOfPreprocessedRecords)
                ASSERT_TRUE(record->Color == byIndex[static_cast<std::size_t>(record->Index)]) << record->Index;
            if (step % 10 == 9) f.Controller.LogicOperation = static_cast<ENUM_logicOperations>((f.Controller.LogicOperation + 1) % 3);
        }
    }
}
