#include "techniques/parallel/ParallelCoordinates.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <QAction>
#include <QMenu>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "render/TextDecoding.h"


TParallelCoordinates::TParallelCoordinates(QWidget* parent)
    : TVisualizationPanel(parent), Methods(std::make_unique<TParallelCoordsMethods>(this)),
      PolyLines(std::make_unique<TParallelCoordinatesPolyLinesList>())
{
    MenuItemOrderBy = MenuItemStandardDeviation->addAction("Order by");
    connect(MenuItemOrderBy, &QAction::triggered, this, [this] { OrderByClick(); });
    DensityMenu = AddDensityDrawingMenu(ViewPopupMenu.get(), this, [this](TDrawingChoice c) { SetDrawingChoice(c); });
}

void TParallelCoordinates::SetDrawingChoice(TDrawingChoice choice)
{
    DrawingChoiceValue = choice;
    DensityMenu.Check(choice);
    Repaint();
}

TParallelCoordinates::~TParallelCoordinates() = default;

// ---- data and geometry

int TParallelCoordinates::AxisStep() const
{
    const int n = Data ? Data->NumberOfDimensions() : 0;
    return n > 0 ? std::max(1, SpaceWidth / n) : 1;
}

bool TParallelCoordinates::SetPreProcessedData(TPreProcessedData* data)
{
    if (!TVisualizationPanel::SetPreProcessedData(data)) return false;
    PolyLines->Build(this, data);
    Density.Reset();
    if (SelectionsController) SelectionsController->BindData(data);
    AxisLength = float(SpaceHeight - 2 * Margin);
    const int n = data->NumberOfDimensions();
    AxisSpacing = n > 0 ? float(SpaceWidth / n) : 0.0f;
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    SetAxisOrder(std::move(order));
    Methods->SetStatisticsDrawFunctions(StatisticsList.get());
    return true;
}

void TParallelCoordinates::SetAxisOrder(std::vector<int> order)
{
    Axes.Order = std::move(order);
    Axes.Scale = ValueScale();
    const int step = AxisStep();
    Axes.X.assign(Axes.Order.size(), 0.0f);
    XOfDimension.assign(Axes.Order.size(), 0.0f);
    for (std::size_t s = 0; s < Axes.Order.size(); ++s) {
        const float x = float(step / 2 + int(s) * step);
        Axes.X[s] = x;
        XOfDimension[Axes.Order[s]] = x;
    }
    if (Data) Axes.BindColumns(*Data);
}

float TParallelCoordinates::GetAxisX(int dimension) const
{
    if (dimension < 0 || dimension >= int(XOfDimension.size())) return 0.0f;
    return XOfDimension[dimension];
}

int TParallelCoordinates::DimensionAtX(int x, bool clampRight) const
{
    const int n = int(Axes.Order.size());
    if (n == 0 || x < 0) return -1;
    int slot = x / AxisStep();
    if (slot >= n) {
        if (!clampRight) return -1;
        slot = n - 1;
    }
    return Axes.Order[slot];
}

void TParallelCoordinates::GetDimensionAtPosition(int& dimension, int x, int) { dimension = DimensionAtX(x, true); }

float TParallelCoordinates::GetValueAtPosition(int, int y)
{
    return ValueScale().ToValue(float(y));
}

void TParallelCoordinates::OrderByClick()
{
    if (!Data) return;
    std::vector<int> order(Data->NumberOfDimensions());
    std::iota(order.begin(), order.end(), 0);
    auto deviation = [this](int d) {
        const TStatistics* s = StatisticsList->GetStatistics(d);
        const float v = s ? s->StandardDeviation() : 0.0f;
        return std::isfinite(v) ? v : 0.0f;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return deviation(a) < deviation(b); });
    SetAxisOrder(std::move(order));
    Repaint();
}

void TParallelCoordinates::SetFont(const QString& name)
{
    ViewFont.setFamily(name);
    SetTextFont(ViewFont);
    // Glyphs are built inside a paint, where the context is current (existing ones stay).
    Repaint();
}

void TParallelCoordinates::SetDrawMode(ENUM_drawModes mode)
{
    TVisualizationPanel::SetDrawMode(mode);
    PolyLines->SetDrawMode(mode);
}

// ---- mouse

void TParallelCoordinates::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons,
                                            Qt::KeyboardModifiers keys, int x, int y)
{
    const QPoint p = ToSpace(QPointF(x, y));
    TVisualizationPanel::MouseDownOnPanel(button, buttons, keys, p.x(), p.y());
}

void TParallelCoordinates::MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y)
{
    const QPoint p = ToSpace(QPointF(x, y));
    TVisualizationPanel::MouseMoveOnPanel(buttons, keys, p.x(), p.y());
    if (buttons & Qt::LeftButton) Dragged = true;
    // Over an axis name (cut to the room between axes) the full name shows as a tip.
    const QString tip = QString::fromStdString(AxisNameAt(p.x(), p.y()));
    if (toolTip() != tip) setToolTip(tip);
}

std::string TParallelCoordinates::AxisNameAt(int x, int y) const
{
    if (!Data || Data->NumberOfDimensions() == 0 || SpaceWidth <= 0) return {};
    // The names stand on the line 10 pixels below the top, about 12 pixels high.
    const float top = float(SpaceHeight), baseline = top - PixelsUp(10);
    if (float(y) < baseline - PixelsUp(4) || float(y) > top) return {};
    const float characters = PixelsAcross(8);
    for (int d : Axes.Order) {
        const std::string& name = Data->GetDimensionName(d);
        const float left = GetAxisX(d);
        const float shown = float(FirstCharacters(name, MaxNameCharacters()).size());
        if (float(x) >= left && float(x) <= left + std::max(shown, 1.0f) * characters) return name;
    }
    return {};
}

int TParallelCoordinates::MaxNameCharacters() const
{
    const double pixelsPerUnit = (width() > 0 && SpaceWidth > 0) ? double(width()) / SpaceWidth : 1.0;
    return int(std::floor(AxisSpacing * pixelsPerUnit * 0.125)) - 1;
}

void TParallelCoordinates::MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                          int x, int y)
{
    const QPoint p = ToSpace(QPointF(x, y));
    if (Dragged) {
        Dragged = false;
        return;
    }
    const int clamped = std::clamp(p.y(), Margin, std::max(Margin, SpaceHeight - Margin));
    TVisualizationPanel::MouseUpOnPanel(button, buttons, keys, p.x(), clamped);
}

// ---- painting

void TParallelCoordinates::SetupProjection()
{
    TDrawing& gl = Gl();
    gl.ClearColor(1, 1, 1, 1);
    gl.Clear(true, true);
    gl.Viewport(0, 0, width(), height());
    gl.MatrixMode(TMatrixMode::Projection);
    gl.LoadIdentity();
    gl.Ortho(0, SpaceWidth, 0, SpaceHeight, -2, 2);
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
}

void TParallelCoordinates::InstallSelectionFunctions()
{
    TSelectionsController* c = SelectionsController;
    if (!c) return;
    TParallelCoordsMethods* m = Methods.get();
    c->SetDrawSelectionFunction([m](TSelectioner* s) { m->DrawSelection(s); });
    c->SetResizeSelectionFunction([m](TSelectioner* s, int x, int y) { m->ResizeSelection(s, x, y); });
    c->SetAddNewSelectionFunction([m](TSelectionsList* l, int x, int y) { m->CreateSelectionAt(l, x, y); });
    c->SetSelectionOverWhichTheMouseIsFunction([m](TSelectionsList* l, int x, int y) { return m->SelectionAt(l, x, y); });
    c->SetUpdateSelectionsListFunction(
        [m](TSelectionsList* l, ENUM_selectionEvents e, int x, int y) { return m->UpdateSelections(l, e, x, y); });
    c->SetStatisticsListDrawingFunction = [m](TStatisticsList* l) { m->SetStatisticsDrawFunctions(l); };
    c->SelectionsControllerAddNewSelectionFunction = [m](TSelectionsController* k, int d) { m->NewSelectionOnAxis(k, d); };
    c->GetFocusedSelectionListFunction = [m](TSelectionsController* k, int x, int y) { return m->ListAtPosition(k, x, y); };
}

void TParallelCoordinates::DrawAxes()
{
    TDrawing& gl = Gl();
    // Names are cut to what fits between two axes at 8 pixels per character, and drawn as
    // one text so the glyphs keep their own advance whatever the window size. In a window
    // as large as the logical space this is floor(AxisSpacing × 0.125) − 1 characters.
    const int maxChars = MaxNameCharacters();
    gl.LineWidth(1);
    gl.Color(0, 0, 0);
    for (int d : Axes.Order) {
        const float x = GetAxisX(d);
        const std::string name = FirstCharacters(Data->GetDimensionName(d), maxChars);  // whole characters
        {
            TMeaningScope label(TMeaning::Label);
            if (!name.empty()) {
                gl.RasterPos(x, float(SpaceHeight) - PixelsUp(10));
                gl.Text(name);
            }
            gl.RasterPos(x + PixelsAcross(6), HighValueLabelY());
            gl.Text(Data->ValueText(d, Data->GetHighValue(d)));
            gl.RasterPos(x + PixelsAcross(5), LowValueLabelY());
            gl.Text(Data->ValueText(d, Data->GetLowValue(d)));
        }
        gl.Begin(TPrimitive::Lines);
        gl.Vertex(x, float(Margin), 2);
        gl.Vertex(x, float(SpaceHeight - Margin), 2);
        gl.Vertex(0, float(Margin), 2);
        gl.Vertex(0, float(SpaceHeight - Margin), 2);
        gl.End();
    }
}

void TParallelCoordinates::DrawRelevanceOverlay()
{
    if (DrawMode() != drawmodeRelev) return;
    TDrawing& gl = Gl();
    gl.Color(1, 1, 0);
    gl.LineWidth(2);
    // The relevance points joined in axis order; an axis without one breaks the line.
    bool open = false;
    for (int d : Axes.Order) {
        const float r = Data->GetRelevanceValue(d);
        if (r == -1.0f) {
            if (open) gl.End();
            open = false;
            continue;
        }
        if (!open) gl.Begin(TPrimitive::LineStrip);
        open = true;
        gl.Vertex(GetAxisX(d), float(ValueScale().ToLogicalInt(r)), 0);
    }
    if (open) gl.End();

    for (int d : Axes.Order) {
        const float r = Data->GetRelevanceValue(d);
        if (r == -1.0f) continue;
        const float x = GetAxisX(d);
        const int mid = ValueScale().ToLogicalInt(r);
        const float m = Data->GetMaxRelevanceDistance(d);
        gl.Begin(TPrimitive::Lines);
        gl.Vertex(x - 5, float(mid), 0);
        gl.Vertex(x + 5, float(mid), 0);
        gl.End();
        gl.RasterPos(x + PixelsAcross(10), float(mid), 0);
        gl.Text(Data->ValueText(d, Data->Denormalise(d, ValueScale().ToValue(float(mid)))));
        int top = ValueScale().ToLogicalInt(m + r);
        if (top > SpaceHeight - Margin) top = SpaceHeight - Margin;
        int bottom = ValueScale().ToLogicalInt(r - m);
        if (bottom < Margin) bottom = Margin;
        gl.Begin(TPrimitive::LineLoop);
        gl.Vertex(x - 2, float(top), 0);
        gl.Vertex(x + 2, float(top), 0);
        gl.Vertex(x + 5, float(mid), 0);
        gl.Vertex(x + 2, float(bottom), 0);
        gl.Vertex(x - 2, float(bottom), 0);
        gl.Vertex(x - 5, float(mid), 0);
        gl.End();
    }
    gl.Flush();
}

void TParallelCoordinates::Paint()
{
    TVisualizationPanel::Paint();
    DensityShown = false;
    if (!HasData) return;
    SetupProjection();
    InstallSelectionFunctions();
    // Another view of the dataset may have sorted the record list or changed the cells'
    // arrays since the last paint: look the columns up again (n pointers).
    Axes.Scale = ValueScale();
    Axes.BindColumns(*Data);
    DensityShown = DrawRecords();
    {
        TMeaningScope meaning(TMeaning::Statistic);
        StatisticsList->DrawStatistics();
    }
    {
        TMeaningScope meaning(TMeaning::Marker);
        DrawRelevanceOverlay();
    }
    if (SelectionsController) {
        TMeaningScope meaning(TMeaning::Brush);
        SelectionsController->DrawSelections();
    }
    if (DensityShown) DrawDensityNote();
    Gl().Flush();
}

bool TParallelCoordinates::DrawRecords()
{
    const TRecordList* listed = SelectionsController ? SelectionsController->ListOfItemsSatisfyingSelections() : nullptr;
    const std::size_t all = Data->ListOfPreprocessedRecords.size();
    const TDrawingChoice choice = DrawingChoiceValue;
    // Exact drawing of the records (all of them, or the listed ones in their colours), as
    // always below the threshold.
    auto exact = [&](const TRecordList* list) {
        PolyLines->SetListOfIndexOfDataItemsToDraw(list);
        PolyLines->Draw(Axes);
    };
    const std::size_t shown = listed ? listed->size() : all;
    const double devicePixels = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
    const TParallelDensity::TFrame frame =
        TParallelDensity::FrameFor(Axes, float(Margin), float(SpaceHeight - Margin), PixelsAcross(1.0f) / float(devicePixels),
                                   PixelsUp(1.0f) / float(devicePixels));
    const bool density = DrawsDensity(choice, listed ? all : shown, DensityThreshold) && frame.PixelWidth > 0 && Axes.Slots() >= 2;
    if (!density) {
        // Exact drawing of many records takes long: the pointer says so.
        TBusyCursor busy(shown * std::size_t(std::max(1, Axes.Slots() - 1)) > 400000);
        {
            TMeaningScope meaning(TMeaning::Axis);
            DrawAxes();
        }
        exact(listed);
        return false;
    }
    // Densities: the context of every record drawn (dimmed under brushed records), then the
    // brushed records as densities too, or exactly where few enough; axes over the pictures.
    Density.DrawContext(*Data, Axes, DrawMode(), frame, listed != nullptr);
    const bool brushedDensity = listed && DrawsDensity(choice, listed->size(), DensityThreshold);
    if (brushedDensity)
        Density.DrawBrushed(*Data, Axes, DrawMode(), frame, *listed, SelectionsController->Version());
    {
        TMeaningScope meaning(TMeaning::Axis);
        DrawAxes();
    }
    if (listed && !brushedDensity) exact(listed);
    return true;
}

std::string TParallelCoordinates::DensityNote() const
{
    return "density of " + GroupedNumber((long long)Density.ContextRecords()) + " records";
}

void TParallelCoordinates::DrawDensityNote()
{
    // One character under the other in the strip left of the first axis, where nothing else
    // is drawn, centred on the axes' height; 10 pixels per character.
    const std::string note = DensityNote();
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    gl.Color(0.35f, 0.35f, 0.35f);
    const float step = PixelsUp(10);
    const float top = float(SpaceHeight) * 0.5f + step * float(note.size()) * 0.5f;
    for (std::size_t i = 0; i < note.size(); ++i) {
        if (note[i] == ' ') continue;
        gl.RasterPos(PixelsAcross(4), top - step * float(i + 1), 1);
        gl.Text(std::string(1, note[i]));
    }
}
