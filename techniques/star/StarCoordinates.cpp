#include "techniques/star/StarCoordinates.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QMenu>
#include <QSlider>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "vis/UTrackBarForm.h"
#include "vis/ViewCursors.h"

TStarCoordinates::TStarCoordinates(QWidget* parent)
    : TVisualizationPanel(parent), Methods(std::make_unique<TStarCoordsMethods>(this))
{
    KeepsPicture = true;  // pointer moves in 2-D redraw only the overlay
    ShowPointSizeTrackerItem = ViewPopupMenu->addAction("Show Set Point Size Tracker");
    connect(ShowPointSizeTrackerItem, &QAction::triggered, this, [this] { ShowPointSizeTracker(); });
    Switch2D3DItem = ViewPopupMenu->addAction("Switch 2D/3D");
    connect(Switch2D3DItem, &QAction::triggered, this, [this] { Switch2D3D(); });
    // Alt+click is often taken by the window manager: the menu switches the axis too.
    ToggleAxisItem = ViewPopupMenu->addAction("Switch Axis On/Off");
    ToggleAxisItem->setEnabled(false);
    connect(ToggleAxisItem, &QAction::triggered, this, [this] { ToggleMenuAxis(); });

    PointSizeTracker = std::make_unique<TFormTrackBar>();
    PointSizeTracker->OnChange = [this](int position) { PointSizeTrackerChanged(position); };
}

TStarCoordinates::~TStarCoordinates()
{
    if (PointSizeTracker) PointSizeTracker->OnChange = {};
}

// ---- data and geometry

bool TStarCoordinates::SetPreProcessedData(TPreProcessedData* data)
{
    if (!TVisualizationPanel::SetPreProcessedData(data)) return false;
    // Nothing of the previous dataset's pointer state survives.
    DraggedAxisIndex = -1;
    DraggingCenter = false;
    DragMoved = false;
    MouseOverCenter = false;
    MenuAxis = -1;
    DimensionUnderMouse = -1;
    ComputeGeometry();
    if (SelectionsController) SelectionsController->BindData(data);
    Methods->SetStatisticsDrawFunctions(StatisticsList.get());
    StarAxesList.Initialize(this, &Center, data, AxesRadius, Mode3DValue);
    StarDotList.Fill(this, &StarAxesList, data, &Center);
    StarDotList.SetMode3D(Mode3DValue);
    StarDotList.SetDrawMode(DrawMode());
    FitDots();
    SetDotsPointSize(6.0f);
    return true;
}

void TStarCoordinates::FitDots()
{
    if (!Data) return;
    const float factor = StarAxesList.FitFactor(*Data, OpenGLAreaHorizontalRange * FitShare,
                                                OpenGLAreaVerticalRange * FitShare, Mode3DValue);
    if (factor < 1.0f) {
        StarAxesList.ScaleAbout(factor);
        StarDotList.InvalidateCaches();
    }
}

void TStarCoordinates::ComputeGeometry()
{
    const int m = std::min(SpaceWidth, SpaceHeight);
    const int a = TruncToInt(m * 0.8);
    AxesRadius = float((a - 2 * 30.0) * 0.5);
    OpenGLAreaVerticalRange = float(SpaceHeight / 2);
    OpenGLAreaHorizontalRange = float(SpaceWidth / 2);
}

float TStarCoordinates::DepthRange() const
{
    float reach = std::hypot(Center.X, Center.Y, Center.Z);
    for (int i = 0; i < StarAxesList.Count(); ++i) reach += StarAxesList.Item(i)->SizeOfAxis;
    const float depth = std::max(2.0f * AxesRadius, reach + 1.0f);
    return std::isfinite(depth) && depth > 0.0f ? depth : 1.0f;
}

QPoint TStarCoordinates::ToScene(int x, int y) const
{
    const QPoint p = ToSpace(QPointF(x, y));
    return QPoint(p.x() - TruncToInt(OpenGLAreaHorizontalRange), p.y() - TruncToInt(OpenGLAreaVerticalRange));
}

TStarHitFrame TStarCoordinates::HitFrame() const
{
    TStarHitFrame frame;
    frame.LineX = PixelsAcross(LineTolerance);
    frame.LineY = PixelsUp(LineTolerance);
    frame.EndX = PixelsAcross(EndPointTolerance);
    frame.EndY = PixelsUp(EndPointTolerance);
    frame.Mode3D = Mode3DValue;
    frame.RotationY = RotationY;
    frame.RotationX = RotationX;
    return frame;
}

void TStarCoordinates::GetDimensionAtPosition(int& dimension, int x, int y)
{
    const int axis = StarAxesList.HitTest(x, y, HitFrame());
    if (axis != -1) dimension = axis;
}

float TStarCoordinates::GetValueAtPosition(int, int) { return -1.0f; }

bool TStarCoordinates::IsOverCenter(int x, int y) const
{
    return std::fabs(float(x) - Center.X) <= PixelsAcross(CenterTolerance) &&
           std::fabs(float(y) - Center.Y) <= PixelsUp(CenterTolerance);
}

void TStarCoordinates::MoveCenter(int x, int y)
{
    const int dx = TruncToInt(double(x) - Center.X);
    const int dy = TruncToInt(double(y) - Center.Y);
    Center.SetPosition(float(x), float(y), 0.0f);
    StarAxesList.TranslateAxes(dx, dy);
}

// ---- commands

void TStarCoordinates::SetDrawMode(ENUM_drawModes mode)
{
    TVisualizationPanel::SetDrawMode(mode);
    StarDotList.SetDrawMode(mode);
}

void TStarCoordinates::SetMode3D(bool mode3D)
{
    EndDrag();
    Mode3DValue = mode3D;
    RotationY = RotationX = 0.0f;
    StarAxesList.PlaceAxes(mode3D);
    StarDotList.SetMode3D(mode3D);
    StarDotList.InvalidateCaches();
    FitDots();
    if (mode3D)
        setCursor(ViewCursor(TViewCursor::Rotate));
    else
        unsetCursor();
    Repaint();
}

void TStarCoordinates::ShowPointSizeTracker()
{
    PointSizeTracker->setWindowTitle("Set Point Size");
    QSlider* bar = PointSizeTracker->TrackBarToSet;
    bar->setMinimum(1);
    bar->setMaximum(9);
    bar->setTickInterval(1);
    // The tracker opens at the dots' present size, so showing it changes nothing.
    const long size = std::lround(StarDotList.GetPointSize());
    bar->setValue(int(std::clamp(size, 1L, 9L)));
    PointSizeTracker->resize(340, 78);
    PointSizeTracker->show();
    PointSizeTracker->raise();
}

void TStarCoordinates::PointSizeTrackerChanged(int position) { SetDotsPointSize(float(std::clamp(position, 1, 9))); }

void TStarCoordinates::SetDotsPointSize(float size)
{
    StarDotList.SetPointSize(size);
    Repaint();
}

void TStarCoordinates::ToggleMenuAxis()
{
    if (!StarAxesList.Item(MenuAxis)) return;
    StarAxesList.ToggleAxis(MenuAxis);
    // In 3-D only the active axes take places in space.
    if (Mode3DValue) StarAxesList.PlaceAxes(true);
    Repaint();
}

// ---- mouse

TStarCoordinates::THover TStarCoordinates::Hover() const
{
    return {StarAxesList.AxisUnderMouse, StarAxesList.AxisWithMouseOverEndPoint() != -1, MouseOverCenter};
}

void TStarCoordinates::EndDrag()
{
    const bool dragging = DraggedAxisIndex != -1 || DraggingCenter;
    if (dragging && DragMoved) {
        // The axes changed: the dots move now, once.
        StarAxesList.Touch();
        StarDotList.InvalidateCaches();
    }
    DraggedAxisIndex = -1;
    DraggingCenter = false;
    DragMoved = false;
}

void TStarCoordinates::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons,
                                        Qt::KeyboardModifiers keys, int x, int y)
{
    const QPoint p = ToScene(x, y);
    EndDrag();
    // The drag is chosen from the press position, whatever the last move found.
    GetDimensionAtPosition(DimensionUnderMouse, p.x(), p.y());
    if (!Mode3DValue) MouseOverCenter = IsOverCenter(p.x(), p.y());
    if (button == Qt::RightButton) {
        MenuAxis = DimensionUnderMouse;
        ToggleAxisItem->setEnabled(MenuAxis != -1);
    }
    if (button == Qt::LeftButton && !Mode3DValue) {
        DraggedAxisIndex = StarAxesList.AxisWithMouseOverEndPoint();
        DraggingCenter = DraggedAxisIndex == -1 && MouseOverCenter;
    }
    TVisualizationPanel::MouseDownOnPanel(button, buttons, keys, p.x(), p.y());
}

void TStarCoordinates::MouseMoveOnPanel(Qt::MouseButtons, Qt::KeyboardModifiers keys, int x, int y)
{
    const QPoint p = ToScene(x, y);
    const THover before = Hover();
    // The base's move only routes drags to a selection list, and this view focuses none;
    // what it keeps, the dimension under the pointer, is kept here.
    GetDimensionAtPosition(DimensionUnderMouse, p.x(), p.y());
    if (Mode3DValue) {
        if (!(keys & Qt::AltModifier)) RotationY += p.x() > 0 ? 3.0f : p.x() < 0 ? -3.0f : 0.0f;
        if (!(keys & Qt::ControlModifier)) RotationX += p.y() > 0 ? -3.0f : p.y() < 0 ? 3.0f : 0.0f;
        Repaint();
        return;
    }
    bool moved = false;
    if (DraggedAxisIndex != -1) {
        StarAxesList.MoveAxisEndPoint(DraggedAxisIndex, p.x(), p.y());
        moved = true;
    }
    MouseOverCenter = IsOverCenter(p.x(), p.y());
    if (DraggingCenter) {
        MoveCenter(p.x(), p.y());
        moved = true;
    }
    if (moved) DragMoved = true;
    // The dots stay where they are until the drag ends: only the overlay changes.
    if (moved || !(Hover() == before)) RepaintOverlay();
}

void TStarCoordinates::MouseUpOnPanel(Qt::MouseButton, Qt::MouseButtons, Qt::KeyboardModifiers keys, int x, int y)
{
    if (Mode3DValue) return;
    const QPoint p = ToScene(x, y);
    GetDimensionAtPosition(DimensionUnderMouse, p.x(), p.y());
    MouseOverCenter = IsOverCenter(p.x(), p.y());
    // Alt+release switches the axis under the pointer, unless it ended a drag.
    if ((keys & Qt::AltModifier) && !DragMoved) StarAxesList.ToggleAxisUnderMouse();
    EndDrag();
    // The base's release would route a selection event to the focused list (there is
    // none here) or set a relevance point at the value under the pointer (there is none):
    // only its repaint is left.
    Repaint();
}

// ---- painting

void TStarCoordinates::SetupScene(bool clear)
{
    TDrawing& gl = Gl();
    if (clear) {
        gl.ClearColor(1, 1, 1, 1);
        gl.Clear(true, true);
    }
    gl.Viewport(0, 0, width(), height());
    gl.MatrixMode(TMatrixMode::Projection);
    gl.LoadIdentity();
    const double h = OpenGLAreaHorizontalRange, v = OpenGLAreaVerticalRange, depth = DepthRange();
    gl.Ortho(-h, h, -v, v, -depth, depth);
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
    gl.Rotate(RotationY, 0, 1, 0);
    gl.Rotate(RotationX, 1, 0, 0);
    if (Mode3DValue) {
        static const float position[4] = {0, 0, -10, 1};
        static const float white[4] = {1, 1, 1, 1};
        static const float black[4] = {0, 0, 0, 1};
        gl.Enable(TCapability::Lighting);
        gl.Enable(TCapability::Light0);
        gl.LightPosition(position);
        gl.LightAmbient(white);
        gl.LightDiffuse(white);
        gl.LightSpecular(white);
        gl.MaterialShininess(40);
        // The current colour is the material: selection, frequency, relevance and
        // statistics colours reach the lit points unchanged by a fixed tint.
        gl.ColorMaterial(TFace::FrontAndBack, TColorMaterialMode::AmbientAndDiffuse);
        gl.Enable(TCapability::ColorMaterial);
        gl.MaterialSpecular(black);
        gl.MaterialEmission(black);
    } else {
        gl.Disable(TCapability::Lighting);
        gl.Disable(TCapability::ColorMaterial);
    }
}

void TStarCoordinates::DrawCenter()
{
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Marker);
    gl.PushMatrix();
    if (MouseOverCenter)
        gl.Color(0, 0, 1);
    else
        gl.Color(0, 0, 0);
    gl.Translate(Center.X, Center.Y, 0);
    gl.Sphere(PixelsAcross(MouseOverCenter ? 30.0f : 3.0f), 5, 5);
    gl.PopMatrix();
}

void TStarCoordinates::DrawAxis(const TStarAxis& axis)
{
    TDrawing& gl = Gl();
    const float z = Mode3DValue ? axis.EndPoint.Z : 0.0f;
    const float cz = Mode3DValue ? Center.Z : 0.0f;
    {
        TMeaningScope meaning(TMeaning::Axis);
        if (axis.IsMouseOverLine) {
            gl.Color(1, 0, 0);
            gl.LineWidth(5);
        } else if (axis.IsActive) {
            gl.Color(0, 0, 0);
            gl.LineWidth(2);
        } else {
            gl.Color(0.8f, 0.8f, 0.8f);
            gl.LineWidth(1);
        }
        gl.Begin(TPrimitive::Lines);
        gl.Vertex(Center.X, Center.Y, cz);
        gl.Vertex(axis.EndPoint.X, axis.EndPoint.Y, z);
        gl.End();
        gl.Color(0, 0, 1);
        gl.PushMatrix();
        gl.Translate(axis.EndPoint.X, axis.EndPoint.Y, z);
        gl.Sphere(PixelsAcross(!Mode3DValue && axis.IsMouseOverEndPoint ? 15.0f : 3.0f), 5, 5);
        gl.PopMatrix();
    }
    TMeaningScope meaning(TMeaning::Label);
    gl.Color(1, 0, 0);
    gl.RasterPos(axis.EndPoint.X, axis.EndPoint.Y, z);
    if (Data && axis.DimensionIndex >= 0 && axis.DimensionIndex < Data->NumberOfDimensions())
        gl.Text(Data->GetDimensionName(axis.DimensionIndex));
}

void TStarCoordinates::DrawAxes()
{
    TDrawing& gl = Gl();
    gl.Disable(TCapability::Lighting);
    gl.Color(0, 0, 0);
    for (int i = 0; i < StarAxesList.Count(); ++i) DrawAxis(*StarAxesList.Item(i));
    if (Mode3DValue) gl.Enable(TCapability::Lighting);
}

void TStarCoordinates::Paint()
{
    TVisualizationPanel::Paint();
    if (!HasData) return;
    SetupScene(true);
    Methods->InstallSelectionFunctions(SelectionsController);
    StarDotList.SetMode3D(Mode3DValue);
    StarDotList.SetListOfIndexOfDataItemsToDraw(
        SelectionsController ? SelectionsController->ListOfItemsSatisfyingSelections() : nullptr,
        SelectionsController ? SelectionsController->Version() : 0);
    StarDotList.Draw();
    // Top left, in the margin the fit of the dots leaves, unturned by the 3-D rotation.
    TDrawing& gl = Gl();
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
    gl.Disable(TCapability::Lighting);
    if (PixelsAcross(1) > 0.0f)
        DrawRecordCount(-OpenGLAreaHorizontalRange + PixelsAcross(4), OpenGLAreaVerticalRange - PixelsUp(2),
                        OpenGLAreaHorizontalRange / PixelsAcross(1));
}

void TStarCoordinates::PaintOverlay()
{
    if (!HasData) return;
    SetupScene(false);
    Methods->InstallSelectionFunctions(SelectionsController);
    DrawCenter();
    DrawAxes();
    StatisticsList->DrawStatistics();
    if (SelectionsController) SelectionsController->DrawSelections();
    Gl().Flush();
}
