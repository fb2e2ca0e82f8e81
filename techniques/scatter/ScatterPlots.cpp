#include "techniques/scatter/ScatterPlots.h"

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QSlider>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "vis/UTrackBarForm.h"

TScatterPlots::TScatterPlots(QWidget* parent)
    : TVisualizationPanel(parent), Methods(std::make_unique<TScatterPlotsMethods>(this)),
      ScatterCellsList(std::make_unique<TScatterCellsList>())
{
    KeepsPicture = true;  // the zoom cell's cross-hair is an overlay
    PointSizeTracker = std::make_unique<TFormTrackBar>();
    PointSizeTracker->setWindowTitle("Set Point Size");
    PointSizeTracker->OnChange = [this](int position) { PointSizeTrackerChange(position); };

    PointSizeTrackerItem = ViewPopupMenu->addAction("Show Set Point Size Tracker");
    connect(PointSizeTrackerItem, &QAction::triggered, this, [this] { ShowPointSizeTrackerClick(); });
    CellsIndexesItem = ViewPopupMenu->addAction("Show Cells Indexes");
    CellsIndexesItem->setCheckable(true);
    // The item's check mark follows ShowCellsIndexesClick, not Qt's own toggling.
    connect(CellsIndexesItem, &QAction::triggered, this, [this] { ShowCellsIndexesClick(); });
    DensityMenu = AddDensityDrawingMenu(ViewPopupMenu.get(), this, [this](TDrawingChoice c) { SetDrawingChoice(c); });
}

void TScatterPlots::SetDrawingChoice(TDrawingChoice choice)
{
    DrawingChoiceValue = choice;
    DensityMenu.Check(choice);
    Repaint();
}

TScatterPlots::~TScatterPlots()
{
    if (PointSizeTracker) PointSizeTracker->OnChange = {};
}

// ---- data and geometry

void TScatterPlots::ComputeLayout()
{
    if (!ScatterCellsList || !Data) return;
    Layout = TScatterLayout::Compute(SpaceWidth, SpaceHeight, Data->NumberOfDimensions());
}

bool TScatterPlots::SetPreProcessedData(TPreProcessedData* data)
{
    if (!TVisualizationPanel::SetPreProcessedData(data)) return false;
    if (SelectionsController) SelectionsController->BindData(data);
    ComputeLayout();
    CurrentCellIndexes.reset();
    Density.Reset();
    // The cells are built before anything repaints, so no paint sees a cell of the old dataset.
    ScatterCellsList->BuildCells(this, data, Layout);
    SetPointSize(3);
    PointSizeTracker->TrackBarToSet->setValue(TruncToInt(PointSize()));
    Methods->SetStatisticsDrawFunctions(StatisticsList.get());
    return true;
}

void TScatterPlots::LayOutSpace(int width, int height)
{
    if (!Data) return;
    SpaceWidth = width;
    SpaceHeight = height;
    if (Data->NumberOfDimensions() > 0) Data->ComputeAxisPositions(SpaceWidth, SpaceHeight);
    ComputeLayout();
    CurrentCellIndexes.reset();
    ScatterCellsList->BuildCells(this, Data, Layout);
    Repaint();
}

void TScatterPlots::SetPointSize(float size)
{
    if (!ScatterCellsList) return;
    ScatterCellsList->SetPointSize(size);
    ScatterCellsList->SetZoomPointSize(size + 3);
    Repaint();
}

void TScatterPlots::SetDrawMode(ENUM_drawModes mode)
{
    TVisualizationPanel::SetDrawMode(mode);
    ScatterCellsList->SetDrawMode(mode);
}

void TScatterPlots::ShowCellsIndexesClick()
{
    CellsIndexesItem->setChecked(!ViewScatterCellIndexes);
    ViewScatterCellIndexes = CellsIndexesItem->isChecked();
    Repaint();
}

void TScatterPlots::ShowPointSizeTrackerClick()
{
    PointSizeTracker->show();
    PointSizeTracker->raise();
}

void TScatterPlots::PointSizeTrackerChange(int position) { SetPointSize(float(position)); }

void TScatterPlots::GetDimensionAtPosition(int& dimension, int, int)
{
    if (CurrentCellIndexes) dimension = CurrentCellIndexes->LineIndex;
}

float TScatterPlots::GetValueAtPosition(int x, int y)
{
    const TScatterCell* cell = ScatterCellsList->FindCell(CurrentCellIndexes);
    if (!cell || !cell->IsDiagonal() || !cell->Contains(x, y)) return -1.0f;
    return cell->ValueAtX(x);
}

// ---- mouse

void TScatterPlots::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                     int x, int y)
{
    const QPoint p = ToSpace(QPointF(x, y));
    InstallSelectionFunctions();
    TVisualizationPanel::MouseDownOnPanel(button, buttons, keys, p.x(), p.y());
}

void TScatterPlots::MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y)
{
    const QPoint p = ToSpace(QPointF(x, y));
    const TScatterCell* focusedBefore = ScatterCellsList->FocusedCell();
    const bool markedBefore = focusedBefore && focusedBefore->Focused;
    const TScatterZoomCell& zoom = ScatterCellsList->ZoomCell;
    const int pointerX = zoom.PointerX, pointerY = zoom.PointerY;

    // Another view of the workspace may have painted since: the shared controller must call
    // back into this one.
    InstallSelectionFunctions();
    // The cell under the pointer first, so the base reads this move's dimension.
    if (const std::optional<TScatterCellIndexes> indexes = ScatterCellsList->FocusCellAt(p.x(), p.y()))
        CurrentCellIndexes = indexes;
    TVisualizationPanel::MouseMoveOnPanel(buttons, keys, p.x(), p.y());
    if (buttons & Qt::LeftButton) return;  // the base resized the focused box and repainted

    const TScatterCell* focusedAfter = ScatterCellsList->FocusedCell();
    const bool markedAfter = focusedAfter && focusedAfter->Focused;
    if (focusedAfter != focusedBefore || markedAfter != markedBefore)
        Repaint();
    else if (zoom.PointerX != pointerX || zoom.PointerY != pointerY)
        RepaintOverlay();
}

void TScatterPlots::MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                   int x, int y)
{
    // A click before the pointer has ever been over a cell is ignored.
    if (!CurrentCellIndexes) return;
    const QPoint p = ToSpace(QPointF(x, y));
    InstallSelectionFunctions();
    TVisualizationPanel::MouseUpOnPanel(button, buttons, keys, p.x(), p.y());
}

// ---- painting

void TScatterPlots::InstallSelectionFunctions()
{
    TSelectionsController* c = SelectionsController;
    if (!c) return;
    TScatterPlotsMethods* m = Methods.get();
    c->SetDrawSelectionFunction([m](TSelectioner* s) { m->DrawSelectionBox(s); });
    c->SetResizeSelectionFunction([m](TSelectioner* s, int x, int y) { m->ResizeSelectionBox(s, x, y); });
    c->SetStatisticsListDrawingFunction = [m](TStatisticsList* l) { m->SetStatisticsDrawFunctions(l); };
    c->SetAddNewSelectionFunction([m](TSelectionsList* l, int x, int y) { m->AddSelectionBox(l, x, y); });
    c->SetSelectionOverWhichTheMouseIsFunction(
        [m](TSelectionsList* l, int x, int y) { return m->SelectionBoxUnderPointer(l, x, y); });
    c->SetUpdateSelectionsListFunction(
        [m](TSelectionsList* l, ENUM_selectionEvents e, int x, int y) { return m->UpdateSelectionBoxes(l, e, x, y); });
    c->SelectionsControllerAddNewSelectionFunction = [m](TSelectionsController* k, int d) {
        m->AddSelectionOnDimension(k, d);
    };
    c->GetFocusedSelectionListFunction = [m](TSelectionsController* k, int x, int y) {
        return m->DiagonalCellUnderPointer(k, x, y);
    };
}

TScatterPaint TScatterPlots::PaintSettings() const
{
    TScatterPaint paint;
    paint.ShowIndexes = ViewScatterCellIndexes;
    paint.UnitsPerPixelX = PixelsAcross(1.0f);
    paint.UnitsPerPixelY = PixelsUp(1.0f);
    const double ratio = devicePixelRatioF();
    paint.PixelRatio = ratio > 0 ? float(ratio) : 1.0f;
    return paint;
}

void TScatterPlots::SetupProjection()
{
    TDrawing& gl = Gl();
    gl.Viewport(0, 0, width(), height());
    gl.MatrixMode(TMatrixMode::Projection);
    gl.LoadIdentity();
    gl.Ortho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
}

void TScatterPlots::Paint()
{
    TVisualizationPanel::Paint();
    if (!HasData) return;
    TDrawing& gl = Gl();
    gl.ClearColor(1, 1, 1, 1);
    gl.Clear(true, true);
    SetupProjection();
    {
        TMeaningScope meaning(TMeaning::Frame);
        gl.Color(0, 0, 0);
        gl.LineWidth(1);
        gl.Begin(TPrimitive::LineLoop);
        gl.Vertex(1, 1, 2);
        gl.Vertex(float(SpaceWidth - 1), 1, 2);
        gl.Vertex(float(SpaceWidth - 1), float(SpaceHeight - 1), 2);
        gl.Vertex(1, float(SpaceHeight - 1), 2);
        gl.End();
        gl.Flush();
    }
    InstallSelectionFunctions();
    if (SelectionsController) SelectionsController->DrawSelections();
    const TScatterPaint paint = PaintSettings();
    DensityShown = DrawRecords(paint);
    StatisticsList->DrawStatistics();
    if (DensityShown) DrawDensityNote(paint);
    gl.Flush();
}

bool TScatterPlots::DrawRecords(const TScatterPaint& paint)
{
    const TRecordList* listed = SelectionsController ? SelectionsController->ListOfItemsSatisfyingSelections() : nullptr;
    const std::uint64_t version = SelectionsController ? SelectionsController->Version() : 0;
    ScatterCellsList->SetListOfIndexOfDataItemsToDraw(listed);
    const std::size_t all = Data->ListOfPreprocessedRecords.size();
    const std::size_t shown = listed ? listed->size() : all;
    if (!DrawsDensity(DrawingChoiceValue, listed ? all : shown, DensityThreshold)) {
        // Exact drawing of many records takes long: the pointer says so.
        const std::size_t cells = std::size_t(ScatterCellsList->Count());
        TBusyCursor busy(shown * std::max<std::size_t>(cells, 1) > 6000000);
        ScatterCellsList->PrepareRecords(version);
        ScatterCellsList->DrawCells(paint);
        ScatterCellsList->DrawZoomCell(paint);
        return false;
    }
    // Densities: the context of every record (dimmed under brushed records), the brushed
    // records as densities too or, where few enough, as points over the pictures.
    const bool brushedDensity = listed && DrawsDensity(DrawingChoiceValue, listed->size(), DensityThreshold);
    const bool exactBrushed = listed && !brushedDensity;
    Density.Prepare(*Data, DrawMode(), listed, version, brushedDensity);
    if (exactBrushed) ScatterCellsList->PrepareRecords(version);
    ScatterCellsList->DrawCellsDensity(paint, Density, exactBrushed);
    ScatterCellsList->DrawZoomCellDensity(paint, Density, exactBrushed);
    return true;
}

std::string TScatterPlots::DensityNote() const
{
    return "density of " + GroupedNumber((long long)Density.ContextRecords()) + " records";
}

void TScatterPlots::DrawDensityNote(const TScatterPaint& paint)
{
    // In the empty triangle right of the diagonal, below the zoom cell and its read-outs:
    // right-aligned near the right edge, a few rows up from the bottom.
    const int n = Layout.Dimensions;
    if (n <= 0) return;
    const int row = std::max(1, n / 2 - 1);
    const std::string note = DensityNote();
    const float width = 8.0f * float(note.size()) * paint.UnitsPerPixelX;
    const float x = std::max(2.0f * paint.UnitsPerPixelX, float(SpaceWidth) - width - 6.0f * paint.UnitsPerPixelX);
    const float y = float(Layout.DiagonalY(row)) + 0.5f * Layout.CellHeight;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    gl.Color(0.35f, 0.35f, 0.35f);
    gl.RasterPos(x, y, 2);
    gl.Text(note);
}

void TScatterPlots::PaintOverlay()
{
    if (!HasData) return;
    SetupProjection();  // also when only the overlay is drawn over the kept picture
    ScatterCellsList->DrawCursor(PaintSettings());
    Gl().Flush();
}
