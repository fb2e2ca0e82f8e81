// The parallel coordinates view driven as a user does: brushes made, focused, dragged and
// removed with the mouse and the menu, the popup menu itself, the pipeline and prune
// commands.
#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include "tests/support/MessageRecorder.h"
#include "tests/techniques/ParallelFixture.h"

namespace {
QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions()) captions << action->text();
    return captions;
}

const QMenu* Submenu(const QMenu* menu, const QString& caption)
{
    for (const QAction* action : menu->actions())
        if (action->text() == caption) return action->menu();
    return nullptr;
}
} // namespace

TEST_F(ParallelFixture, CtrlClickCreatesOrFocusesAndAPlainClickMovesTheNearerEdge)
{
    TSelectionsList* alpha = Controller->GetSelectionsList(0);
    Click(0, Y(0.5f), Qt::ControlModifier);
    ASSERT_EQ(alpha->Count(), 1);
    TSelectioner* first = alpha->GetSelection(0);
    EXPECT_FLOAT_EQ(first->MinNormalized(), 0.5f);
    EXPECT_FLOAT_EQ(first->MaxNormalized(), 0.5f);
    EXPECT_EQ(first->Count(), 1);  // exactly the records with value 0.5

    Click(0, Y(1.0f));  // above the middle: the upper edge follows
    EXPECT_FLOAT_EQ(first->MaxNormalized(), 1.0f);
    EXPECT_FLOAT_EQ(first->MinNormalized(), 0.5f);
    EXPECT_EQ(first->Count(), 2);

    Click(0, Y(0.25f), Qt::ControlModifier);  // outside: a second brush, focused
    ASSERT_EQ(alpha->Count(), 2);
    EXPECT_EQ(alpha->FocusIndex(), 1);
    Paint();  // brushes take their extent from what was drawn
    Click(0, Y(0.75f), Qt::ControlModifier);  // inside the first: focuses it
    EXPECT_EQ(alpha->Count(), 2);
    EXPECT_EQ(alpha->FocusIndex(), 0);
    EXPECT_TRUE(first->DiferentiateColor);

    // Shift (even together with Ctrl) removes the focused brush.
    Click(0, Y(0.75f), Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(alpha->Count(), 1);
}

TEST_F(ParallelFixture, DraggingAnEdgeStopsAtTheNeighbouringBrush)
{
    Brush(0, 0.2f, 0.3f);
    Brush(0, 0.8f, 0.9f);  // focused
    Paint();
    TSelectioner* upper = Controller->GetSelectionsList(0)->GetSelection(1);
    ASSERT_FLOAT_EQ(upper->MinNormalized(), 0.8f);
    // Drag the lower edge far down: it stops on the top of the brush below.
    View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, AxisX(0), WidgetY(Y(0.8f)));
    Move(0, Y(0.1f), Qt::LeftButton);
    EXPECT_EQ(upper->YMin, Y(0.3f));
    EXPECT_FLOAT_EQ(upper->MinNormalized(), (Y(0.3f) - Margin) / View->AxisLength);
    EXPECT_TRUE(View->Dragged);
    // The release after a drag does nothing more.
    View->MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::NoModifier, AxisX(0), WidgetY(Y(0.5f)));
    EXPECT_FALSE(View->Dragged);
    EXPECT_EQ(upper->YMin, Y(0.3f));
}

// "Current Selection" acts on the focused brush of the axis under the pointer: over an
// axis without a brush its four items are greyed out and their tip says why.
TEST_F(ParallelFixture, CurrentSelectionItemsAreDisabledOverAnAxisWithoutABrush)
{
    Brush(0, 0.5f, 1.0f);
    auto rightPress = [this](int dimension) {
        View->MouseDownOnPanel(Qt::RightButton, Qt::RightButton, Qt::NoModifier, AxisX(dimension), WidgetY(Y(0.5f)));
        View->ViewPopupMenu->hide();
    };
    ASSERT_EQ(View->CurrentSelectionItems.size(), 4u);
    rightPress(1);
    for (QAction* item : View->CurrentSelectionItems) {
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
        EXPECT_EQ(item->toolTip(), QStringLiteral("The dimension under the pointer holds no brush"));
    }
    rightPress(0);
    for (QAction* item : View->CurrentSelectionItems) EXPECT_TRUE(item->isEnabled());
    View->CurrentSelectionItems[0]->trigger();  // the average of the focused brush of axis 0
    EXPECT_TRUE(Controller->GetSelectionsList(0)->GetSelection(0)->StatisticsList()->ShowAverage());
}

TEST_F(ParallelFixture, NewSelectionGoesToTheTopThenTheBottomThenNowhere)
{
    Move(2, Y(0.5f));
    TSelectionsList* gamma = Controller->GetSelectionsList(2);
    const std::vector<std::pair<int, float>> expected{{1, 1.0f}, {2, 0.0f}, {2, 0.0f}};
    for (const auto& [count, bound] : expected) {
        View->NewSelectionClick();
        ASSERT_EQ(gamma->Count(), count);
        EXPECT_FLOAT_EQ(gamma->GetSelection(count - 1)->MaxNormalized(), bound);
    }
}

TEST_F(ParallelFixture, ReleasesAreClampedToTheAxisAndMapToTheAxisUnderThePointer)
{
    Click(1, View->SpaceHeight - 2, Qt::ControlModifier);  // above the top of the axes
    ASSERT_EQ(Controller->GetSelectionsList(1)->Count(), 1);
    EXPECT_FLOAT_EQ(Controller->GetSelectionsList(1)->GetSelection(0)->MaxNormalized(), 1.0f);

    int dimension = -2;
    View->GetDimensionAtPosition(dimension, View->SpaceWidth - 1, 10);
    EXPECT_EQ(dimension, 2);
    View->GetDimensionAtPosition(dimension, -5, 10);  // left of everything (a drag outside)
    EXPECT_EQ(dimension, -1);
    EXPECT_FLOAT_EQ(View->GetValueAtPosition(0, Margin), 0.0f);
}

TEST_F(ParallelFixture, ThePopupMenuHasEveryItemInOrder)
{
    const QMenu* menu = View->ViewPopupMenu.get();
    EXPECT_EQ(Captions(menu), (QStringList{"Draw Mode", "Statistics", "Selections", "Relevance", "Pipeline", "Time", "",
                                           "Save View Image…", "Density Drawing"}));
    EXPECT_EQ(Captions(Submenu(menu, "Density Drawing")), (QStringList{"Automatic", "Exact", "Density"}));
    EXPECT_EQ(Captions(Submenu(menu, "Draw Mode")), (QStringList{"Normal", "Frequency", "Relevance"}));
    const QMenu* statistics = Submenu(menu, "Statistics");
    EXPECT_EQ(Captions(statistics), (QStringList{"Average", "Standard Deviation", "Median", "Moda Values"}));
    for (const char* sub : {"Average", "Median", "Moda Values"})
        EXPECT_EQ(Captions(Submenu(statistics, sub)), (QStringList{"All", "This Dimension", "Current Selection"}));
    EXPECT_EQ(Captions(Submenu(statistics, "Standard Deviation")),
              (QStringList{"All", "This Dimension", "Current Selection", "Order by"}));
    const QMenu* selections = Submenu(menu, "Selections");
    EXPECT_EQ(Captions(selections), (QStringList{"New (Ctrl+Click)", "Remove (Shift+Click)", "Alternate (Ctrl+Click)",
                                                 "Remove All", "Operação Lógica"}));
    EXPECT_EQ(Captions(Submenu(selections, "Operação Lógica")), (QStringList{"And", "Or", "Xor"}));
    EXPECT_EQ(Captions(Submenu(menu, "Relevance")), (QStringList{"Show Max Relevance Tracker", "Remove All Points"}));
    EXPECT_EQ(Captions(Submenu(menu, "Pipeline")),
              (QStringList{"Pipeline Partial Domain", "Pipeline Full Domain", "Prune Branch"}));
    EXPECT_EQ(Captions(Submenu(menu, "Time")), (QStringList{"Show time line"}));
}

TEST_F(ParallelFixture, RelevanceMenuShowsOnlyInRelevanceModeAndOneLogicOperationIsChecked)
{
    QAction* relevance = View->MenuItemRelevance->menuAction();
    EXPECT_FALSE(relevance->isVisible());
    View->DrawModeRelevanceClick();
    EXPECT_TRUE(relevance->isVisible());
    EXPECT_EQ(View->DrawMode(), drawmodeRelev);
    View->DrawModeFrequencyClick();
    EXPECT_FALSE(relevance->isVisible());
    View->DrawModeRelevanceClick();
    View->DrawModeNormalClick();
    EXPECT_FALSE(relevance->isVisible());

    auto checked = [&] {
        QStringList names;
        for (QAction* a : {View->MenuItemLogicAnd, View->MenuItemLogicOr, View->MenuItemLogicXor})
            if (a->isChecked()) names << a->text();
        return names;
    };
    EXPECT_EQ(checked(), QStringList{"And"});
    View->MenuItemLogicOr->trigger();
    EXPECT_EQ(checked(), QStringList{"Or"});
    EXPECT_EQ(Controller->LogicOperation, loOR);
    View->MenuItemLogicXor->trigger();
    EXPECT_EQ(checked(), QStringList{"Xor"});
    EXPECT_EQ(Controller->LogicOperation, loXOR);
}

TEST_F(ParallelFixture, FrequencyModeMakesExistingBrushesComputeFrequencies)
{
    Brush(0, 0.5f, 1.0f);
    TSelectioner* brush = Controller->GetSelectionsList(0)->GetSelection(0);
    View->DrawModeNormalClick();
    EXPECT_FALSE(brush->SetCalculateDataFrequencies);
    View->DrawModeFrequencyClick();
    EXPECT_TRUE(brush->SetCalculateDataFrequencies);
}

TEST_F(ParallelFixture, ARightPressPopsTheMenuUpAndRepaints)
{
    const long long before = View->OffScreenPaints;
    View->MouseDownOnPanel(Qt::RightButton, Qt::RightButton, Qt::NoModifier, AxisX(1), WidgetY(Y(0.5f)));
    EXPECT_TRUE(View->ViewPopupMenu->isVisible());
    EXPECT_EQ(View->OffScreenPaints, before + 1);
    EXPECT_EQ(View->DimensionUnderMouse, 1);
    View->ViewPopupMenu->hide();
    // A left press does not.
    View->MouseDownOnPanel(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, AxisX(1), WidgetY(Y(0.5f)));
    EXPECT_FALSE(View->ViewPopupMenu->isVisible());
}

TEST_F(ParallelFixture, PipelineWarnsAboutPermissionFirstThenAboutTheSelection)
{
    struct TCall {
        TSelectionsController* Controller;
        TPreProcessedData* Data;
        QWidget* Workspace;
        bool FullDomain;
    };
    std::vector<TCall> calls;
    QWidget workspace;
    View->WorkspaceWindow = &workspace;
    View->SetPipelineViewFunction = [&](TSelectionsController* c, TPreProcessedData* d, QWidget* w, bool full) {
        calls.push_back({c, d, w, full});
    };

    TMessageRecorder messages;
    View->PipelineAllowed = false;
    View->PipelineFullDomainClick();
    View->PipelineAllowed = true;
    View->PipelinePartialDomainClick();
    ASSERT_EQ(messages.Messages.size(), 2u);
    EXPECT_EQ(messages.Messages[0].Text, "Pipeline not allowed for this window");
    EXPECT_EQ(messages.Messages[1].Text, "No selection to pipeline");
    for (const auto& m : messages.Messages) {
        EXPECT_EQ(m.Title, "Warning");
        EXPECT_EQ(m.Kind, TMessageKind::Warning);
    }
    EXPECT_TRUE(calls.empty());

    Brush(0, 0.5f, 1.0f);
    View->PipelineFullDomainClick();
    View->PipelinePartialDomainClick();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Controller, Controller.get());
    EXPECT_EQ(calls[0].Data, Data.get());
    EXPECT_EQ(calls[0].Workspace, &workspace);
    EXPECT_TRUE(calls[0].FullDomain);
    EXPECT_FALSE(calls[1].FullDomain);
    EXPECT_EQ(messages.Messages.size(), 2u);
}

TEST_F(ParallelFixture, PruneHandsTheWorkspaceToTheCallbackEvenWhenItFreesTheView)
{
    QWidget workspace;
    View->WorkspaceWindow = &workspace;
    QWidget* pruned = nullptr;
    View->SetPruneBranchFunction = [&](QWidget* w) {
        pruned = w;
        View.reset();  // the prune frees the view whose command is running
    };
    View->PruneBranchClick();
    EXPECT_EQ(pruned, &workspace);
    EXPECT_EQ(View, nullptr);
}

TEST_F(ParallelFixture, ARelevanceClickSetsThePointAndTheTrackerShowsItsDistance)
{
    View->DrawModeRelevanceClick();
    Click(1, Y(0.75f));
    EXPECT_FLOAT_EQ(Data->GetRelevanceValue(1), 0.75f);
    EXPECT_EQ(View->MaxRelevanceTracker->GetDimensionToSet(), 1);
    EXPECT_EQ(View->MaxRelevanceTracker->TrackBarToSet->value(), 2);  // floor(0.2 × 10)
    View->MaxRelevanceTracker->TrackBarToSet->setValue(5);
    EXPECT_FLOAT_EQ(Data->GetMaxRelevanceDistance(1), 0.5f);
    // No brush was made by those clicks.
    EXPECT_EQ(Controller->NumberOfSelections(), 0);
    View->RemoveAllPointsClick();
    EXPECT_EQ(Data->GetRelevanceValue(1), -1.0f);
}

TEST(ParallelView, WithoutDataNothingIsDrawnAndNothingBreaks)
{
    TParallelCoordinates view;
    EXPECT_FALSE(view.SetPreProcessedData(nullptr));
    view.resize(200, 100);
    TRecordingDrawing recording;
    {
        TCurrentDrawing current(recording);
        view.Paint();
    }
    EXPECT_FALSE(view.HasData);
    EXPECT_TRUE(recording.Primitives.empty());
    // Commands without data or dimension do nothing.
    view.NewSelectionClick();
    view.MedianThisDimensionClick();
    view.ShowTimeLineClick();
    view.OrderByClick();
    view.PipelinePartialDomainClick();
    view.MouseUpOnPanel(Qt::LeftButton, Qt::NoButton, Qt::ControlModifier, 10, 10);
}

TEST_F(ParallelFixture, TheTrackerEditsNothingBeforeARelevancePointExists)
{
    View->DrawModeRelevanceClick();
    Move(1, Y(0.5f));
    View->MaxRelevanceTracker->TrackBarToSet->setValue(7);
    for (int d = 0; d < Data->NumberOfDimensions(); ++d) EXPECT_FLOAT_EQ(Data->GetMaxRelevanceDistance(d), 0.2f) << d;
}

TEST_F(ParallelFixture, TheTimeLineWorksOnADatasetWithoutTimeChunks)
{
    // A derived dataset carries no chunk size (-1) and no moment.
    Data->TimeDiscreteRange = -1;
    Data->TimeMoment = -1;
    View->ShowTimeLineClick();
    ASSERT_TRUE(View->TimeLineWindow);
    EXPECT_EQ(Data->TimeDiscreteRange, 4);  // the chunk of a loaded file (12), then the range bar's clamp to 4 records
    EXPECT_GE(View->TimeLineWindow->TrackBarToSet->maximum(), 1);
    View->TimeMomentChange(1);
    EXPECT_EQ(RecordSegments(Paint()).size(), 8u);  // all four records lie in the first chunk
}

// The palette's eight colours besides blue go round: the ninth brush shares the first
// one's colour, and none is ever the blue of unbrushed records.
TEST_F(ParallelFixture, TheNinthBrushTakesThePaletteFromTheStartAgainWithoutBlue)
{
    for (int k = 0; k < 10; ++k) Click(0, Y(0.05f + 0.09f * k), Qt::ControlModifier);
    TSelectionsList* alpha = Controller->GetSelectionsList(0);
    ASSERT_EQ(alpha->Count(), 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_NE(*alpha->GetSelection(k)->Color(), TOpenGLColor(0, 0, 1)) << k;
        EXPECT_EQ(*alpha->GetSelection(k)->Color(), *alpha->PaletteColor(k % 8 + 1)) << k;
    }
    EXPECT_EQ(*alpha->GetSelection(0)->Color(), TOpenGLColor(0, 1, 0));
    // Only the focused (last) one is drawn red.
    const TRecordingDrawing r = Paint();
    int red = 0;
    for (const auto* t : r.PrimitivesOf(TPrimitive::Triangles))
        red += TRecordingDrawing::SameColor(t->Vertices[0].Color, TOpenGLColor(1, 0, 0));
    EXPECT_EQ(red, 1);
}
