#include "techniques/tablelens/TableLens.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>

#include "render/Drawing.h"
#include "render/CheckedInt.h"
#include "render/TextDecoding.h"

TTableLens::TTableLens(QWidget* parent) : TVisualizationPanel(parent), Methods(std::make_unique<TTableLensMethods>(this))
{
    ThicknessTrackerItem = ViewPopupMenu->addAction("Show Set Thickness Tracker");
    connect(ThicknessTrackerItem, &QAction::triggered, this, [this] { ShowThicknessTrackerClick(); });
    ThicknessTracker = std::make_unique<TFormTrackBar>();
    ThicknessTracker->OnChange = [this](int position) { SetThickness(float(position)); };

    ScrollBar = new QScrollBar(Qt::Vertical, this);
    ScrollBar->hide();
    ScrollBar->setCursor(Qt::ArrowCursor);
    connect(ScrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!UpdatingScrollBar) ScrollTo(std::int64_t(value) * ScrollUnitsPerStep);
    });
    setFocusPolicy(Qt::WheelFocus);
    KeepsPicture = true;  // a pointer move over the rows redraws only the hovered row
}

TTableLens::~TTableLens()
{
    if (ThicknessTracker) ThicknessTracker->OnChange = {};
}

// ---- data, space and scrolling

bool TTableLens::SetPreProcessedData(TPreProcessedData* data)
{
    if (!TVisualizationPanel::SetPreProcessedData(data)) return false;
    if (SelectionsController) SelectionsController->BindData(data);
    TableLensColumnsList.BuildColumns(this, data->NumberOfDimensions(), SpaceWidth);
    TableLensRecordList.BuildRows(this, data);
    TableLensRecordList.SetDrawMode(DrawMode());
    Methods->SetStatisticsDrawFunctions(StatisticsList.get());
    Layout.Scroll = 0;
    LastPointer = QPoint(-1, -1);
    Dragging = false;
    UpdateSpaceHeight();
    return true;
}

void TTableLens::UpdateSpaceHeight()
{
    SpaceHeight = std::max(height(), TTableLensRowLayout::MinimumHeight);
    Layout.Height = SpaceHeight;
    Layout.Rows = TableLensRecordList.Shown();
    Layout.Scroll = Layout.Clamped(Layout.Scroll);
    UpdateScrollBar();
}

void TTableLens::UpdateScrollBar()
{
    const std::int64_t most = Layout.MaxScroll();
    const bool show = most > 0 && Data;
    // A scroll bar counts in int: a table too tall for that moves in steps of several units.
    constexpr std::int64_t StepsAtMost = 1'000'000'000;
    ScrollUnitsPerStep = std::max<std::int64_t>(1, (most + StepsAtMost - 1) / StepsAtMost);
    UpdatingScrollBar = true;
    ScrollBar->setRange(0, int(most / ScrollUnitsPerStep));
    ScrollBar->setPageStep(std::max(1, int((Layout.ClipTop() - Layout.ClipBottom()) / ScrollUnitsPerStep)));
    ScrollBar->setSingleStep(std::max(1, int(std::ceil(Layout.Thickness) / double(ScrollUnitsPerStep))));
    ScrollBar->setValue(int(Layout.Scroll / ScrollUnitsPerStep));
    const int barWidth = ScrollBar->sizeHint().width();
    ScrollBar->setGeometry(width() - barWidth, 0, barWidth, height());
    if (show != !ScrollBar->isHidden()) ScrollBar->setVisible(show);
    UpdatingScrollBar = false;
}

int TTableLens::DrawWidth() const
{
    const int bar = ScrollBar->isHidden() ? 0 : ScrollBar->width();
    return std::max(1, width() - bar);
}

QPoint TTableLens::ToLogical(int x, int y) const
{
    const int w = DrawWidth();
    const int h = height();
    const int lx = w > 0 ? TruncToInt(double(x) / w * SpaceWidth) : 0;
    const int ly = h > 0 ? TruncToInt(double(h - y) / h * SpaceHeight) : 0;
    return {lx, ly};
}

float TTableLens::PixelsAcross(float pixels) const
{
    const int w = DrawWidth();
    return (w > 0 && SpaceWidth > 0) ? pixels * float(SpaceWidth) / float(w) : pixels;
}

void TTableLens::ScrollTo(std::int64_t scroll)
{
    scroll = Layout.Clamped(scroll);
    if (scroll == Layout.Scroll) return;
    Layout.Scroll = scroll;
    UpdatingScrollBar = true;
    ScrollBar->setValue(int(scroll / ScrollUnitsPerStep));
    UpdatingScrollBar = false;
    if (LastPointer.y() >= 0) TrackRow(LastPointer.y());
    Repaint();
}

bool TTableLens::TrackRow(int y)
{
    const std::int64_t before = TableLensRecordList.HoveredRow;
    TableLensRecordList.HoveredRow = Layout.RowAt(y);
    return before != TableLensRecordList.HoveredRow;
}

void TTableLens::SetThickness(float thickness)
{
    if (!std::isfinite(thickness) || thickness < 1.0f) thickness = 1.0f;
    thickness = std::min(thickness, 1000.0f);
    // The row at the top of the view stays at the top.
    const std::int64_t top = Layout.FirstVisible();
    Layout.Thickness = thickness;
    Layout.Scroll = Layout.Clamped(Layout.Edge(top));
    UpdateScrollBar();
    if (LastPointer.y() >= 0) TrackRow(LastPointer.y());
    Repaint();
}

void TTableLens::ShowThicknessTrackerClick()
{
    ThicknessTracker->setWindowTitle("Set Thickness Tracker");
    QSlider* bar = ThicknessTracker->TrackBarToSet;
    bar->setMinimum(1);
    bar->setMaximum(30);
    bar->setTickInterval(1);
    bar->setValue(TruncToInt(Layout.Thickness));
    ThicknessTracker->resize(340, 85);
    ThicknessTracker->FormCreate();
    ThicknessTracker->show();
}

void TTableLens::SetDrawMode(ENUM_drawModes mode)
{
    TVisualizationPanel::SetDrawMode(mode);
    TableLensRecordList.SetDrawMode(mode);
}

// ---- events

void TTableLens::resizeEvent(QResizeEvent* event)
{
    TVisualizationPanel::resizeEvent(event);
    UpdateSpaceHeight();
}

void TTableLens::wheelEvent(QWheelEvent* event)
{
    if (!Data) return;
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    std::int64_t units = 0;
    if (!pixels.isNull())
        units = -pixels.y();
    else
        // Three rows a notch (a notch is 120).
        units = -std::int64_t(angle.y()) * 3 * std::max<std::int64_t>(1, Layout.Edge(1)) / 120;
    const QPointF p = event->position();
    LastPointer = ToLogical(int(p.x()), int(p.y()));
    ScrollBy(units);
    event->accept();
}

void TTableLens::keyPressEvent(QKeyEvent* event)
{
    const std::int64_t page = std::max<std::int64_t>(1, Layout.ClipTop() - Layout.ClipBottom() - Layout.Edge(1));
    switch (event->key()) {
    case Qt::Key_PageUp: ScrollBy(-page); break;
    case Qt::Key_PageDown: ScrollBy(page); break;
    case Qt::Key_Home: ScrollTo(0); break;
    case Qt::Key_End: ScrollTo(Layout.MaxScroll()); break;
    case Qt::Key_Up: ScrollBy(-Layout.Edge(1)); break;
    case Qt::Key_Down: ScrollBy(Layout.Edge(1)); break;
    default: TVisualizationPanel::keyPressEvent(event); return;
    }
    event->accept();
}

void TTableLens::leaveEvent(QEvent* event)
{
    LastPointer = QPoint(-1, -1);
    TVisualizationPanel::leaveEvent(event);
}

// ---- mouse

void TTableLens::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                                  int y)
{
    // The shared controller calls back whichever view bound it last: this one, from here on.
    InstallSelectionFunctions();
    UpdateSpaceHeight();
    const QPoint p = ToLogical(x, y);
    TableLensColumnsList.TrackPointer(p.x(), p.y(), SpaceHeight);
    TVisualizationPanel::MouseDownOnPanel(button, buttons, keys, p.x(), p.y());
}

void TTableLens::MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y)
{
    InstallSelectionFunctions();
    UpdateSpaceHeight();
    const QPoint p = ToLogical(x, y);
    LastPointer = p;
    // Column and row first, so the base handler reads where the pointer is now.
    const bool columns = TableLensColumnsList.TrackPointer(p.x(), p.y(), SpaceHeight);
    const bool row = TrackRow(p.y());
    TVisualizationPanel::MouseMoveOnPanel(buttons, keys, p.x(), p.y());
    if (buttons & Qt::LeftButton) {
        Dragging = true;
        return;  // the base repainted
    }
    if (columns)
        Repaint();
    else if (row)
        RepaintOverlay();
}

void TTableLens::MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                                int y)
{
    InstallSelectionFunctions();
    UpdateSpaceHeight();
    const QPoint p = ToLogical(x, y);
    TableLensColumnsList.TrackPointer(p.x(), p.y(), SpaceHeight);
    TVisualizationPanel::MouseUpOnPanel(button, buttons, keys, p.x(), p.y());
    if (Dragging)
        Dragging = false;
    else
        TableLensColumnsList.ChooseOrderAt(p.x(), p.y(), SpaceHeight);
    Repaint();
}

void TTableLens::GetDimensionAtPosition(int& dimension, int, int)
{
    dimension = TableLensColumnsList.IndexOfColumnOverWhichTheMouseIs;
}

float TTableLens::GetValueAtPosition(int x, int y)
{
    const int i = TableLensColumnsList.IndexOfColumnOverWhichTheMouseIs;
    if (!TableLensColumnsList.Valid(i) || !TableLensColumnsList.HeaderContains(i, x, y, SpaceHeight)) return -1.0f;
    const float v = TableLensColumnsList.ValueAtX(i, x);
    return std::isfinite(v) ? v : -1.0f;
}

// ---- painting

void TTableLens::SetupProjection()
{
    TDrawing& gl = Gl();
    gl.Enable(TCapability::DepthTest);
    gl.ClearColor(1, 1, 1, 1);
    gl.Clear(true, true);
    SetupView();
}

void TTableLens::SetupView()
{
    TDrawing& gl = Gl();
    gl.Viewport(0, 0, DrawWidth(), height());
    gl.MatrixMode(TMatrixMode::Projection);
    gl.LoadIdentity();
    gl.Ortho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
}

void TTableLens::InstallSelectionFunctions()
{
    TSelectionsController* c = SelectionsController;
    if (!c) return;
    TTableLensMethods* m = Methods.get();
    c->SetDrawSelectionFunction([m](TSelectioner* s) { m->DrawSelectionBand(s); });
    c->SetResizeSelectionFunction([m](TSelectioner* s, int x, int y) { m->ResizeSelectionBand(s, x, y); });
    c->SetAddNewSelectionFunction([m](TSelectionsList* l, int x, int y) { m->AddSelectionBand(l, x, y); });
    c->SetSelectionOverWhichTheMouseIsFunction(
        [m](TSelectionsList* l, int x, int y) { return m->SelectionBandUnderPointer(l, x, y); });
    c->SetUpdateSelectionsListFunction(
        [m](TSelectionsList* l, ENUM_selectionEvents e, int x, int y) { return m->UpdateSelectionBands(l, e, x, y); });
    c->SetStatisticsListDrawingFunction = [m](TStatisticsList* l) { m->SetStatisticsDrawFunctions(l); };
    c->SelectionsControllerAddNewSelectionFunction = [m](TSelectionsController* k, int) { m->BeginNewSelection(k); };
    c->GetFocusedSelectionListFunction = [m](TSelectionsController* k, int x, int y) {
        return m->ColumnUnderPointer(k, x, y);
    };
}

void TTableLens::DrawRelevanceMarkers()
{
    if (DrawMode() != drawmodeRelev || !Data) return;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Marker);
    gl.Color(1, 0, 1);
    const float h = float(SpaceHeight);
    const int n = std::min(Data->NumberOfDimensions(), TableLensColumnsList.Count());
    for (int i = 0; i < n; ++i) {
        const float rv = Data->GetRelevanceValue(i);
        const TTableLensColumn& column = TableLensColumnsList.Column(i);
        if (rv == -1.0f || !std::isfinite(rv) || column.Usable() <= 0.0f) continue;
        const float x = column.PosX0 + column.OffsetOfValue(rv);
        gl.LineWidth(5);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(x, h - 18, 2);
        gl.Vertex(x, h, 2);
        gl.End();
        gl.LineWidth(1);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(x, h - 19, 2);
        gl.Vertex(x, 39, 2);
        gl.End();
    }
    gl.Flush();
}

void TTableLens::Paint()
{
    TVisualizationPanel::Paint();
    if (!HasData) return;
    UpdateSpaceHeight();
    InstallSelectionFunctions();

    // The records to show: every one in the ordering column's order, or while selections
    // exist the satisfying ones. A list kept while no selection exists filters nothing.
    const TRecordList* list = SelectionsController ? SelectionsController->ListOfItemsSatisfyingSelections() : nullptr;
    if (list && SelectionsController->NumberOfSelections() == 0) list = nullptr;
    const int d = TableLensColumnsList.IndexOfDimensionToBaseOrder;
    if (!list) TableLensRecordList.OrderBy(d);
    TableLensRecordList.SetListOfIndexOfDataItemsToDraw(list, d, SelectionsController ? SelectionsController->Version() : 0);
    if (Layout.Rows != TableLensRecordList.Shown()) {
        UpdateSpaceHeight();
        if (LastPointer.y() >= 0) TrackRow(LastPointer.y());
    }
    if (TableLensRecordList.HoveredRow >= Layout.Rows) TableLensRecordList.HoveredRow = -1;
    // Only now: the rows shown may have changed above, and the scroll bar with them, which
    // changes the width the frame is drawn at.
    SetupProjection();

    TableLensColumnsList.DrawColumns(SpaceWidth);
    if (SelectionsController) SelectionsController->DrawSelections();
    TableLensRecordList.DrawRows(Layout);
    StatisticsList->DrawStatistics();
    DrawRelevanceMarkers();
    // Under the columns' frames, flush right, clear of the hovered row's "Visual order".
    if (PixelsAcross(1) > 0.0f)
        DrawRecordCount(float(SpaceWidth) * 0.5f, 40.0f, float(SpaceWidth) * 0.5f / PixelsAcross(1) - 6.0f, true);
    Gl().Flush();
}

void TTableLens::DrawOverRows()
{
    if (SelectionsController) SelectionsController->DrawSelections();
    StatisticsList->DrawStatistics();
    DrawRelevanceMarkers();
}

void TTableLens::PaintOverlay()
{
    if (!HasData) return;
    SetupView();
    // The controller is shared: another view of the workspace may have painted since.
    InstallSelectionFunctions();
    TableLensRecordList.DrawHoveredRow(Layout, [this] { DrawOverRows(); });
    Gl().Flush();
}
