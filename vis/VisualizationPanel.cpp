#include "vis/VisualizationPanel.h"

#include <algorithm>
#include <cmath>

#include <QActionGroup>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>

#include "data/Auxiliar.h"
#include "render/Drawing.h"
#include "vis/UDoubleTrackBarForm.h"
#include "vis/UTrackBarForm.h"

TVisualizationPanel::TVisualizationPanel(QWidget* parent)
    : TOpenGLPanel(parent), StatisticsList(std::make_unique<TStatisticsList>()),
      OwnSelectionsController(std::make_unique<TSelectionsController>())
{
    SelectionsController = OwnSelectionsController.get();
    setMouseTracking(true);  // moves without a button keep DimensionUnderMouse up to date
    setContextMenuPolicy(Qt::PreventContextMenu);  // the menu comes from MouseDownOnPanel only

    MaxRelevanceTracker = std::make_unique<TFormTrackBar>();
    MaxRelevanceTracker->setWindowTitle("Max Relevance Distance");
    MaxRelevanceTracker->OnChange = [this](int position) { MaxRelevanceDistanceChange(position); };

    BuildPopupMenu();
}

TVisualizationPanel::~TVisualizationPanel()
{
    // A shared controller outlives the view: leave no callback into this view behind.
    if (SelectionsController && !OwnsSelectionsController) {
        SelectionsController->SetDrawSelectionFunction({});
        SelectionsController->SetResizeSelectionFunction({});
        SelectionsController->SetAddNewSelectionFunction({});
        SelectionsController->SetSelectionOverWhichTheMouseIsFunction({});
        SelectionsController->SetUpdateSelectionsListFunction({});
        SelectionsController->SetStatisticsListDrawingFunction = {};
        SelectionsController->SelectionsControllerAddNewSelectionFunction = {};
        SelectionsController->GetFocusedSelectionListFunction = {};
    }
    if (MaxRelevanceTracker) MaxRelevanceTracker->OnChange = {};
    if (TimeLineWindow) TimeLineWindow->OnClose = {};
}

void TVisualizationPanel::BuildPopupMenu()
{
    ViewPopupMenu = std::make_unique<QMenu>();
    QMenu* menu = ViewPopupMenu.get();
    auto item = [this](QMenu* parent, const char* caption, void (TVisualizationPanel::*command)()) {
        QAction* action = parent->addAction(caption);
        connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        return action;
    };
    auto statisticsMenu = [&](const char* caption, void (TVisualizationPanel::*all)(),
                              void (TVisualizationPanel::*thisDimension)(),
                              void (TVisualizationPanel::*currentSelection)()) {
        QMenu* sub = MenuItemStatistics->addMenu(caption);
        item(sub, "All", all);
        item(sub, "This Dimension", thisDimension);
        CurrentSelectionItems.push_back(item(sub, "Current Selection", currentSelection));
        sub->setToolTipsVisible(true);
        return sub;
    };

    MenuItemDrawMode = menu->addMenu("Draw Mode");
    item(MenuItemDrawMode, "Normal", &TVisualizationPanel::DrawModeNormalClick);
    item(MenuItemDrawMode, "Frequency", &TVisualizationPanel::DrawModeFrequencyClick);
    item(MenuItemDrawMode, "Relevance", &TVisualizationPanel::DrawModeRelevanceClick);

    MenuItemStatistics = menu->addMenu("Statistics");
    statisticsMenu("Average", &TVisualizationPanel::AverageAllClick, &TVisualizationPanel::AverageThisDimensionClick,
                   &TVisualizationPanel::AverageCurrentSelectionClick);
    MenuItemStandardDeviation = statisticsMenu("Standard Deviation", &TVisualizationPanel::StandardDeviationAllClick,
                                               &TVisualizationPanel::StandardDeviationThisDimensionClick,
                                               &TVisualizationPanel::StandardDeviationCurrentSelectionClick);
    statisticsMenu("Median", &TVisualizationPanel::MedianAllClick, &TVisualizationPanel::MedianThisDimensionClick,
                   &TVisualizationPanel::MedianCurrentSelectionClick);
    statisticsMenu("Moda Values", &TVisualizationPanel::ModaValuesAllClick,
                   &TVisualizationPanel::ModaValuesThisDimensionClick,
                   &TVisualizationPanel::ModaValuesCurrentSelectionClick);

    MenuItemSelections = menu->addMenu("Selections");
    item(MenuItemSelections, "New (Ctrl+Click)", &TVisualizationPanel::NewSelectionClick);
    item(MenuItemSelections, "Remove (Shift+Click)", &TVisualizationPanel::RemoveSelectionClick);
    item(MenuItemSelections, "Alternate (Ctrl+Click)", &TVisualizationPanel::AlternateSelectionClick);
    item(MenuItemSelections, "Remove All", &TVisualizationPanel::RemoveAllSelectionsClick);
    MenuItemLogicOperation = MenuItemSelections->addMenu("Operação Lógica");
    MenuItemLogicAnd = item(MenuItemLogicOperation, "And", &TVisualizationPanel::LogicAndClick);
    MenuItemLogicOr = item(MenuItemLogicOperation, "Or", &TVisualizationPanel::LogicOrClick);
    MenuItemLogicXor = item(MenuItemLogicOperation, "Xor", &TVisualizationPanel::LogicXorClick);
    auto* logic = new QActionGroup(MenuItemLogicOperation);
    for (QAction* action : {MenuItemLogicAnd, MenuItemLogicOr, MenuItemLogicXor}) {
        action->setCheckable(true);
        logic->addAction(action);
    }
    MenuItemLogicAnd->setChecked(true);

    MenuItemRelevance = menu->addMenu("Relevance");
    item(MenuItemRelevance, "Show Max Relevance Tracker", &TVisualizationPanel::ShowMaxRelevanceTrackerClick);
    item(MenuItemRelevance, "Remove All Points", &TVisualizationPanel::RemoveAllPointsClick);
    MenuItemRelevance->menuAction()->setVisible(false);

    MenuItemPipeline = menu->addMenu("Pipeline");
    item(MenuItemPipeline, "Pipeline Partial Domain", &TVisualizationPanel::PipelinePartialDomainClick);
    item(MenuItemPipeline, "Pipeline Full Domain", &TVisualizationPanel::PipelineFullDomainClick);
    item(MenuItemPipeline, "Prune Branch", &TVisualizationPanel::PruneBranchClick);

    MenuItemTime = menu->addMenu("Time");
    item(MenuItemTime, "Show time line", &TVisualizationPanel::ShowTimeLineClick);

    menu->addSeparator();
    MenuItemSaveViewImage = item(menu, "Save View Image…", &TVisualizationPanel::SaveViewImageClick);
}

void TVisualizationPanel::SaveViewImageClick()
{
    if (SaveViewImageFunction) SaveViewImageFunction(this);
}

// ---- the record count

std::vector<std::string> TVisualizationPanel::RecordCountLines(std::size_t shown, std::size_t total, float widthPixels)
{
    const std::string n = std::to_string(shown), m = std::to_string(total);
    const std::vector<std::vector<std::string>> forms = {
        {n + " of " + m + " records"}, {n + " of " + m, "records"}, {n, "of " + m, "records"}, {n, "of", m}};
    for (const auto& lines : forms) {
        std::size_t widest = 0;
        for (const std::string& line : lines) widest = std::max(widest, line.size());
        if (float(widest) * RecordCountCharacterPixels <= widthPixels) return lines;
    }
    return {};
}

void TVisualizationPanel::DrawRecordCount(float left, float top, float widthPixels, float unitsPerPixelX,
                                          float unitsPerPixelY, bool flushRight)
{
    if (!SelectionsController || !Data || SelectionsController->NumberOfSelections() == 0) return;
    const TRecordList* items = SelectionsController->ListOfItemsSatisfyingSelections();
    const std::size_t shown = items ? items->size() : std::size_t(Data->RecordsNumber);
    const std::vector<std::string> lines = RecordCountLines(shown, std::size_t(std::max(0, Data->RecordsNumber)), widthPixels);
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    gl.Color(0, 0, 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const float indent = flushRight ? widthPixels - float(lines[i].size()) * RecordCountCharacterPixels : 0.0f;
        const float baseline = top - (10.0f + RecordCountLinePixels * float(i)) * unitsPerPixelY;
        gl.RasterPos(left + indent * unitsPerPixelX, baseline, 2);
        gl.Text(lines[i]);
    }
}

// ---- data and controller

QSize TVisualizationPanel::ScreenSpace()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        if (size.width() > 0 && size.height() > 0) return size;
    }
    return QSize(1280, 1024);
}

bool TVisualizationPanel::SetPreProcessedData(TPreProcessedData* data)
{
    if (!data) return false;
    // A dataset given again replaces the first; neither is freed here (the workspace owns it).
    Data = data;
    // The logical space is the screen size whatever the number of records, so the fixed
    // logical sizes (margins, character advance, arrowheads, hit tolerances) stay pixel-sized.
    const QSize space = ScreenSpace();
    SpaceWidth = space.width();
    SpaceHeight = space.height();
    if (data->NumberOfDimensions() > 0) data->ComputeAxisPositions(SpaceWidth, SpaceHeight);
    StatisticsList->CalculateStatistics(data, false);
    if (TimeLineWindow) TimeLineWindow->OnClose = {};
    TimeLineWindow.reset();
    MouseHandlersAttached = true;
    return true;
}

void TVisualizationPanel::SetSelectionsController(TSelectionsController* controller)
{
    if (OwnsSelectionsController) OwnSelectionsController.reset();
    SelectionsController = controller;
    OwnsSelectionsController = false;
}

bool TVisualizationPanel::ValidDimension(int dimension) const
{
    return Data && dimension >= 0 && dimension < Data->NumberOfDimensions();
}

void TVisualizationPanel::ResetStatisticsDrawFunctions()
{
    if (TVisualizationMethods* methods = GetMethods()) methods->SetStatisticsDrawFunctions(StatisticsList.get());
}

// ---- painting and the mouse

void TVisualizationPanel::Paint()
{
    HasData = Data && Data->NumberOfDimensions() > 0;
    if (!HasData) MouseHandlersAttached = false;
}

void TVisualizationPanel::mousePressEvent(QMouseEvent* event)
{
    if (!MouseHandlersAttached) return;
    const QPointF p = event->position();
    MouseDownOnPanel(event->button(), event->buttons(), event->modifiers(), int(p.x()), int(p.y()));
}

void TVisualizationPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!MouseHandlersAttached) return;
    const QPointF p = event->position();
    MouseUpOnPanel(event->button(), event->buttons(), event->modifiers(), int(p.x()), int(p.y()));
}

void TVisualizationPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!MouseHandlersAttached) return;
    const QPointF p = event->position();
    MouseMoveOnPanel(event->buttons(), event->modifiers(), int(p.x()), int(p.y()));
}

void TVisualizationPanel::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons, Qt::KeyboardModifiers, int x,
                                           int y)
{
    // The dimension under a press counts even when no move came before it.
    GetDimensionAtPosition(DimensionUnderMouse, x, y);
    if (button == Qt::RightButton) {
        UpdateCurrentSelectionItems();
        ViewPopupMenu->popup(QCursor::pos());
    }
    Repaint();
}

void TVisualizationPanel::MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int y)
{
    GetDimensionAtPosition(DimensionUnderMouse, x, y);
    if (buttons & Qt::LeftButton) {
        if (SelectionsController) SelectionsController->ProcessSelectionEvent(seResize, x, y);
        Repaint();
    }
}

void TVisualizationPanel::MouseUpOnPanel(Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers keys, int x, int y)
{
    switch (DrawModeValue) {
    case drawmodeRelev: {
        const float v = GetValueAtPosition(x, y);
        if (v == -1.0f || !ValidDimension(DimensionUnderMouse)) return;
        Data->SetRelevancePoint(DimensionUnderMouse, v);
        MaxRelevanceTracker->SetDimensionToSet(DimensionUnderMouse);
        QSlider* bar = MaxRelevanceTracker->TrackBarToSet;
        const double position = std::floor(Data->GetMaxRelevanceDistance(DimensionUnderMouse) * bar->maximum());
        bar->setValue(std::isfinite(position) ? int(position) : bar->minimum());
        Repaint();
        return;
    }
    case drawmodeNormal:
    case drawmodeFreq: {
        const ENUM_selectionEvents event = (keys & Qt::ShiftModifier)     ? seRemove
                                           : (keys & Qt::ControlModifier) ? seSelect
                                                                          : seResize;
        if (SelectionsController) SelectionsController->ProcessSelectionEvent(event, x, y);
        Repaint();
        return;
    }
    default: Repaint(); return;
    }
}

void TVisualizationPanel::SetDrawMode(ENUM_drawModes mode)
{
    DrawModeValue = mode;
    if (SelectionsController) SelectionsController->SetCalculateDataFrequencies(mode == drawmodeFreq);
}

// ---- statistics commands

bool TVisualizationPanel::DimensionUnderMouseHoldsABrush() const
{
    const TSelectionsList* list = SelectionsController ? SelectionsController->GetSelectionsList(DimensionUnderMouse) : nullptr;
    return list && list->GetSelection(list->FocusIndex());
}

void TVisualizationPanel::UpdateCurrentSelectionItems()
{
    const bool brushed = DimensionUnderMouseHoldsABrush();
    const QString why = DimensionUnderMouse == -1 ? QStringLiteral("No dimension under the pointer")
                                                  : QStringLiteral("The dimension under the pointer holds no brush");
    for (QAction* action : CurrentSelectionItems) {
        action->setEnabled(brushed);
        action->setToolTip(brushed ? QStringLiteral("The focused brush of this dimension") : why);
    }
}

#define LUMETRA_STATISTICS_COMMANDS(Name, Toggle, ToggleSelection)                                  \
    void TVisualizationPanel::Name##ThisDimensionClick()                                            \
    {                                                                                               \
        if (DimensionUnderMouse == -1) return;                                                      \
        StatisticsList->Toggle(DimensionUnderMouse);                                                \
        Repaint();                                                                                  \
    }                                                                                               \
    void TVisualizationPanel::Name##AllClick()                                                      \
    {                                                                                               \
        StatisticsList->Toggle(-1);                                                                 \
        Repaint();                                                                                  \
    }                                                                                               \
    void TVisualizationPanel::Name##CurrentSelectionClick()                                         \
    {                                                                                               \
        if (DimensionUnderMouse == -1) return;                                                      \
        if (SelectionsController) SelectionsController->ToggleSelection(DimensionUnderMouse);       \
        Repaint();                                                                                  \
    }

LUMETRA_STATISTICS_COMMANDS(Average, ToggleAverage, ToggleSelectionAverage)
LUMETRA_STATISTICS_COMMANDS(Median, ToggleMedian, ToggleSelectionMedian)
LUMETRA_STATISTICS_COMMANDS(ModaValues, ToggleModaValues, ToggleSelectionModaValues)
LUMETRA_STATISTICS_COMMANDS(StandardDeviation, ToggleStandardDeviation, ToggleSelectionStandardDeviation)
#undef LUMETRA_STATISTICS_COMMANDS

// ---- selection commands

void TVisualizationPanel::NewSelectionClick()
{
    if (DimensionUnderMouse != -1 && SelectionsController) SelectionsController->NewSelection(DimensionUnderMouse);
    Repaint();
}

void TVisualizationPanel::RemoveSelectionClick()
{
    if (DimensionUnderMouse != -1 && SelectionsController) SelectionsController->RemoveSelection(DimensionUnderMouse);
    Repaint();
}

void TVisualizationPanel::AlternateSelectionClick()
{
    if (DimensionUnderMouse != -1 && SelectionsController)
        SelectionsController->AlternateSelection(DimensionUnderMouse);
    Repaint();
}

void TVisualizationPanel::RemoveAllSelectionsClick()
{
    if (SelectionsController) SelectionsController->RemoveAllSelections();
    Repaint();
}

void TVisualizationPanel::SetLogicOperation(ENUM_logicOperations operation)
{
    if (SelectionsController) SelectionsController->LogicOperation = operation;
    Repaint();
}

void TVisualizationPanel::LogicAndClick()
{
    MenuItemLogicAnd->setChecked(true);
    SetLogicOperation(loAND);
}

void TVisualizationPanel::LogicOrClick()
{
    MenuItemLogicOr->setChecked(true);
    SetLogicOperation(loOR);
}

void TVisualizationPanel::LogicXorClick()
{
    MenuItemLogicXor->setChecked(true);
    SetLogicOperation(loXOR);
}

// ---- draw modes

void TVisualizationPanel::DrawModeFrequencyClick()
{
    SetDrawMode(drawmodeFreq);
    MenuItemRelevance->menuAction()->setVisible(false);
    Repaint();
}

void TVisualizationPanel::DrawModeNormalClick()
{
    SetDrawMode(drawmodeNormal);
    MenuItemRelevance->menuAction()->setVisible(false);
    Repaint();
}

void TVisualizationPanel::DrawModeRelevanceClick()
{
    SetDrawMode(drawmodeRelev);
    MenuItemRelevance->menuAction()->setVisible(true);
    Repaint();
}

// ---- pipeline and prune

void TVisualizationPanel::Pipeline(bool fullDomain)
{
    if (!PipelineAllowed) {
        ShowMessage(TMessageKind::Warning, "Warning", "Pipeline not allowed for this window");
        return;
    }
    if (!SelectionsController || !SelectionsController->ListOfItemsSatisfyingSelections()) {
        ShowMessage(TMessageKind::Warning, "Warning", "No selection to pipeline");
        return;
    }
    if (SetPipelineViewFunction) {
        const TPipelineFunction function = SetPipelineViewFunction;  // the call may replace ours
        function(SelectionsController, Data, WorkspaceWindow, fullDomain);
    }
}

void TVisualizationPanel::PipelinePartialDomainClick() { Pipeline(false); }

void TVisualizationPanel::PipelineFullDomainClick() { Pipeline(true); }

void TVisualizationPanel::PruneBranchClick()
{
    if (!SetPruneBranchFunction) return;
    // The prune may free this view: call a copy and touch nothing of `this` afterwards.
    const TPruneFunction function = SetPruneBranchFunction;
    QWidget* workspace = WorkspaceWindow;
    function(workspace);
}

// ---- relevance

void TVisualizationPanel::MaxRelevanceDistanceChange(int position)
{
    // The tracker edits the dimension of the last relevance point; before there is one it
    // has nothing to edit.
    const int dimension = MaxRelevanceTracker->GetDimensionToSet();
    if (DimensionUnderMouse == -1 || !ValidDimension(dimension)) return;
    const int maximum = MaxRelevanceTracker->TrackBarToSet->maximum();
    if (maximum == 0) return;
    Data->SetMaxRelevanceDistance(dimension, float(position) / float(maximum));
    Repaint();
}

void TVisualizationPanel::ShowMaxRelevanceTrackerClick()
{
    MaxRelevanceTracker->show();
    MaxRelevanceTracker->raise();
}

void TVisualizationPanel::RemoveAllPointsClick()
{
    if (Data) Data->RemoveAllRelevancePoints();
    Repaint();
}

// ---- time line

void TVisualizationPanel::ShowTimeLineClick()
{
    if (!Data) return;
    // Derived datasets carry no time chunks; they get the chunk size of a loaded file.
    if (Data->TimeDiscreteRange < 1) Data->TimeDiscreteRange = 12;
    if (!TimeLineWindow) {
        TimeLineWindow = std::make_unique<TFormDoubleTrackBar>();
        TimeLineWindow->OnClose = [this] { TimeLineClose(); };
        TimeLineWindow->setWindowTitle("Set time moment and time range");

        QSlider* moment = TimeLineWindow->TrackBarToSet;
        moment->setMinimum(1);
        moment->setMaximum(std::max(1, Data->RecordsNumber / Data->TimeDiscreteRange));
        moment->setTickInterval(1);
        connect(moment, &QSlider::valueChanged, this, [this](int position) { TimeMomentChange(position); });
        moment->setValue(Data->TimeMoment);
        TimeLineWindow->LabelCaption1->setText("Time moment: " + QString::number(moment->value()));

        QSlider* range = TimeLineWindow->TrackBarToSet2;
        range->setMinimum(1);
        range->setMaximum(std::max(1, Data->RecordsNumber));
        range->setTickInterval(1);
        connect(range, &QSlider::valueChanged, this, [this](int position) { TimeRangeChange(position); });
        range->setValue(Data->TimeDiscreteRange);
        TimeLineWindow->LabelCaption2->setText("Time range: " + QString::number(range->value()));

        TimeLineWindow->resize(335, 165);
    }
    TimeLineWindow->show();
    TimeLineWindow->raise();
}

void TVisualizationPanel::TimeMomentChange(int position)
{
    if (!Data || !TimeLineWindow) return;
    Data->SetTimeMoment(position);
    TimeLineWindow->LabelCaption1->setText("Time moment: " + QString::number(position));
    StatisticsList->RecalculateStatistics(Data, true);
    ResetStatisticsDrawFunctions();
    Repaint();
}

void TVisualizationPanel::TimeRangeChange(int position)
{
    if (!Data || !TimeLineWindow || position < 1) return;
    QSlider* moment = TimeLineWindow->TrackBarToSet;
    Data->TimeDiscreteRange = position;
    Data->SetTimeMoment(moment->value());
    TimeLineWindow->LabelCaption2->setText("Time range: " + QString::number(position));
    moment->setMaximum(std::max(1, Data->RecordsNumber / Data->TimeDiscreteRange));
    StatisticsList->RecalculateStatistics(Data, true);
    ResetStatisticsDrawFunctions();
    Repaint();
}

void TVisualizationPanel::TimeLineClose()
{
    if (!Data) return;
    StatisticsList->RecalculateStatistics(Data, false);
    Data->SetAllRecordsDrawn(true);
    ResetStatisticsDrawFunctions();
    Repaint();
}
