#include "techniques/fastmap/FastmapProjection.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QSlider>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "vis/UTrackBarForm.h"
#include "vis/ViewCursors.h"

TFastmapProjection::TFastmapProjection(QWidget* parent)
    : TVisualizationPanel(parent), PointList(std::make_unique<TFastmapPointList>(this))
{
    PointList->TargetDimension = ProjectionDimensions;
    // The default bounds (±10) give the scene its size until a projection sets one, so a view
    // without records still has a sound camera.
    SetSceneBounds(Bounds);
    KeepsPicture = true;
    BuildMenu();
    RotateClick();
}

TFastmapProjection::~TFastmapProjection()
{
    if (PointSizeTracker) PointSizeTracker->OnChange = {};
}

void TFastmapProjection::BuildMenu()
{
    QMenu* menu = ViewPopupMenu.get();
    auto item = [this](QMenu* parent, const char* caption, void (TFastmapProjection::*command)(), bool checkable = false,
                       bool checked = false) {
        QAction* action = parent->addAction(caption);
        action->setCheckable(checkable);
        action->setChecked(checked);
        connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        return action;
    };
    MenuItemShowPointSizeTracker = item(menu, "Show Set Point Size Tracker", &TFastmapProjection::ShowPointSizeTrackerClick);
    MenuItem3DMode = item(menu, "3D Mode", &TFastmapProjection::Mode3DClick, true, true);
    MenuItemFastmapProjection = menu->addMenu("FastmapProjection");
    QMenu* sub = MenuItemFastmapProjection;
    MenuItemRotate = item(sub, "Rotate", &TFastmapProjection::RotateClick, true, true);
    MenuItemScale = item(sub, "Scale", &TFastmapProjection::ScaleClick, true);
    MenuItemTranslate = item(sub, "Translate", &TFastmapProjection::TranslateClick, true);
    MenuItemResetSystem = item(sub, "Reset System", &TFastmapProjection::ResetSystemClick);
    sub->addSeparator();
    MenuItemDrawAxes = item(sub, "Draw Axes", &TFastmapProjection::DrawAxesClick, true, true);
    MenuItemDrawIds = item(sub, "Draw Ids", &TFastmapProjection::DrawIdsClick, true);
    sub->addSeparator();
    MenuItemSetSelectionMode = item(sub, "Set Selection Mode", &TFastmapProjection::SetSelectionModeClick, true);
    MenuItemCentralizeSelectedElement =
        item(sub, "Centralize Selected Element", &TFastmapProjection::CentralizeSelectedElementClick);
    // Opening or using the menu ends a drag (its button-up goes to the menu, not the view).
    connect(menu, &QMenu::aboutToShow, this, [this] { EndDrag(); });
    connect(menu, &QMenu::triggered, this, [this] { EndDrag(); });
    connect(sub, &QMenu::aboutToShow, this, [this] { EndDrag(); });
}

// ---- data, projection, scene

bool TFastmapProjection::SetPreProcessedData(TPreProcessedData* data)
{
    if (!TVisualizationPanel::SetPreProcessedData(data)) return false;
    OpenGLAreaVerticalRange = float(SpaceHeight / 2);
    OpenGLAreaHorizontalRange = float(SpaceWidth / 2);
    SetSceneBounds(TSceneBounds{});  // a dataset without records keeps the default scene
    PointList->Fill(data);
    SetPointsSize(5.0f);
    ComputeProjection(nullptr);
    return true;
}

void TFastmapProjection::ComputeProjection(stBasicEuclideanMetricEvaluator* evaluator)
{
    if (PointList->Projected || Projecting) return;
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QProgressDialog> dialog;
    PointList->Progress = [&](double fraction) {
        if (!dialog) {
            // Shown once the run is expected to take longer than about half a second.
            const qint64 elapsed = timer.elapsed();
            if (fraction <= 0 || double(elapsed) / fraction < double(ProgressAfterMilliseconds)) return;
            dialog = std::make_unique<QProgressDialog>("Computing the FastMap projection...", QString(), 0, 1000,
                                                       window());
            dialog->setWindowTitle("Fastmap Projection");
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->show();
        }
        dialog->setValue(std::clamp(int(fraction * 1000), 0, 1000));  // a modal dialog processes events here
    };
    Projecting = true;
    PointList->ComputeProjection(evaluator);
    Projecting = false;
    PointList->Progress = {};
    dialog.reset();
    Repaint();
}

void TFastmapProjection::SetSceneBounds(const TSceneBounds& bounds)
{
    Bounds = bounds;
    Camera.SceneSize = SceneSizeOf(bounds);
}

void TFastmapProjection::ResetSystem()
{
    Camera.Reset();
    Dragging = false;
    Repaint();
}

void TFastmapProjection::SetPointsSize(float size)
{
    if (!PointList) return;
    PointList->SetPointSize(size);
    Repaint();
}

void TFastmapProjection::ShowPointSizeTracker()
{
    if (!PointSizeTracker) {
        PointSizeTracker = std::make_unique<TFormTrackBar>();
        PointSizeTracker->OnChange = [this](int) { PointSizeTrackerChanged(); };
    }
    PointSizeTracker->setWindowTitle("Set Point Size");
    QSlider* bar = PointSizeTracker->TrackBarToSet;
    bar->setMinimum(1);
    bar->setMaximum(9);
    bar->setTickInterval(1);
    const int previous = bar->value();
    bar->setValue(TruncToInt(PointList->PointSize() * 100.0 / previous * Camera.SceneSize));
    PointSizeTracker->resize(485, 130);
    PointSizeTracker->show();
    PointSizeTracker->raise();
}

void TFastmapProjection::PointSizeTrackerChanged()
{
    if (!PointSizeTracker) return;
    PointSize = float(PointSizeTracker->TrackBarToSet->value());
    SetPointsSize(PointSize);
}

void TFastmapProjection::SetDrawMode(ENUM_drawModes mode)
{
    TVisualizationPanel::SetDrawMode(mode);
    PointList->SetDrawMode(mode);
}

// ---- menu commands

void TFastmapProjection::SetOperation(ENUM_panOperation operation, QAction* ticked)
{
    EndDrag();
    Operation = operation;
    for (QAction* action : {MenuItemRotate, MenuItemTranslate, MenuItemScale, MenuItemSetSelectionMode})
        action->setChecked(action == ticked);
}

void TFastmapProjection::RotateClick()
{
    SetOperation(paRotate, MenuItemRotate);
    setCursor(ViewCursor(TViewCursor::Rotate));
}

void TFastmapProjection::TranslateClick()
{
    SetOperation(paTranslate, MenuItemTranslate);
    setCursor(ViewCursor(TViewCursor::Pan));
}

void TFastmapProjection::ScaleClick()
{
    SetOperation(paScale, MenuItemScale);
    setCursor(ViewCursor(TViewCursor::ZoomIn));
}

void TFastmapProjection::SetSelectionModeClick()
{
    EndDrag();
    // The action toggled its own tick when triggered from the menu; a direct call toggles here.
    const bool entering = Operation != paSelectionMode;
    for (QAction* action : {MenuItemRotate, MenuItemTranslate, MenuItemScale}) action->setChecked(false);
    MenuItemSetSelectionMode->setChecked(entering);
    // Selection mode is this view's own state: the shared controller is left alone.
    Operation = entering ? paSelectionMode : paRotate;
    Repaint();
    unsetCursor();
}

void TFastmapProjection::Mode3DClick()
{
    EndDrag();
    Mode3DValue = !Mode3DValue;
    MenuItem3DMode->setChecked(Mode3DValue);
    ResetSystem();
}

void TFastmapProjection::DrawAxesClick()
{
    EndDrag();
    AxesShown = !AxesShown;
    MenuItemDrawAxes->setChecked(AxesShown);
    Repaint();
}

void TFastmapProjection::DrawIdsClick()
{
    EndDrag();
    PointList->DrawIdLabelsProperty = !PointList->DrawIdLabelsProperty;
    MenuItemDrawIds->setChecked(PointList->DrawIdLabelsProperty);
    Repaint();
}

void TFastmapProjection::CentralizeSelectedElementClick()
{
    EndDrag();
    if (PointList->Count() == 0) return;
    // The highlighted point itself, whatever labels the records carry.
    PointList->CentrePoint(PointList->SelectedElement);
    PointList->Unmark();
    ResetSystem();
}

// ---- mouse

QPoint TFastmapProjection::ToScene(int x, int y) const
{
    const double w = width() > 0 ? width() : 1, h = height() > 0 ? height() : 1;
    return QPoint(TruncToInt(x / w * SpaceWidth) - int(OpenGLAreaHorizontalRange),
                  TruncToInt((h - y) / h * SpaceHeight) - int(OpenGLAreaVerticalRange));
}

void TFastmapProjection::StorePick(int x, int y)
{
    PickX = x;
    PickY = height() - y;
    InstallSelectionFunctions();
}

void TFastmapProjection::MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                          int x, int y)
{
    StorePick(x, y);
    const QPoint p = ToScene(x, y);
    // Before the base, whose popup menu ends the drag again.
    Dragging = true;
    PreviousX = p.x();
    PreviousY = p.y();
    TVisualizationPanel::MouseDownOnPanel(button, buttons, keys, p.x(), p.y());
}

void TFastmapProjection::MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys,
                                        int x, int y)
{
    StorePick(x, y);
    const QPoint p = ToScene(x, y);
    Dragging = false;
    TVisualizationPanel::MouseUpOnPanel(button, buttons, keys, p.x(), p.y());
}

void TFastmapProjection::MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y)
{
    StorePick(x, y);
    const QPoint p = ToScene(x, y);
    if (Dragging) {
        // A drag moves the camera only; the base would just repaint once more.
        Camera.Drag(Operation, p.x(), p.y(), PreviousX, PreviousY, keys & Qt::AltModifier, keys & Qt::ControlModifier);
        PreviousX = p.x();
        PreviousY = p.y();
        Repaint();
        return;
    }
    TVisualizationPanel::MouseMoveOnPanel(buttons, keys, p.x(), p.y());
    if (Operation == paSelectionMode) Pick();
}

void TFastmapProjection::Pick()
{
    Picking = true;
    SelectBuffer.fill(0);
    HitCount = 0;
    PaintSelectionPass();
    const int before = PointList->MarkedElement();
    TakePick();
    Picking = false;
    if (PointList->MarkedElement() != before) RepaintOverlay();
}

void TFastmapProjection::PaintSelectionPass()
{
    // A GL_SELECT paint rasterises nothing: it runs in the panel's context without a frame,
    // so the picture on screen and the kept one stay as they are.
    TOpenGLDrawing* drawing = OpenGLDrawing();
    if (!drawing || !isVisible() || !isValid()) {
        Repaint();
        return;
    }
    makeCurrent();
    drawing->BeginPaint(devicePixelRatioF());
    {
        TCurrentDrawing current(*drawing);
        Paint();
    }
    drawing->EndPaint();
    doneCurrent();
}

void TFastmapProjection::TakePick()
{
    // A buffer that overflowed (a negative count) still holds the first complete hits.
    if (HitCount != 0 && SelectBuffer[0] >= 1) {
        const unsigned name = SelectBuffer[3];
        if (name < unsigned(PointList->Count())) PointList->SelectElement(int(name));
    }
    HitCount = 0;
}

// ---- painting

void TFastmapProjection::InstallSelectionFunctions()
{
    TSelectionsController* c = SelectionsController;
    if (!c) return;
    c->SetDrawSelectionFunction([](TSelectioner*) {});
    c->SetResizeSelectionFunction([](TSelectioner*, int, int) {});
    c->SetAddNewSelectionFunction([](TSelectionsList*, int, int) {});
    c->SetSelectionOverWhichTheMouseIsFunction([](TSelectionsList*, int, int) { return -1; });
    c->SetUpdateSelectionsListFunction([](TSelectionsList*, ENUM_selectionEvents, int, int) { return false; });
    c->SetStatisticsListDrawingFunction = [](TStatisticsList*) {};
    c->SelectionsControllerAddNewSelectionFunction = [](TSelectionsController*, int) {};
    c->GetFocusedSelectionListFunction = [](TSelectionsController*, int, int) { return -1; };
}

void TFastmapProjection::SetupCamera(bool clear)
{
    TDrawing& gl = Gl();
    gl.ClearColor(1, 1, 1, 1);
    if (clear) gl.Clear(true, true);
    gl.Viewport(0, 0, width(), height());
    gl.MatrixMode(TMatrixMode::Projection);
    gl.LoadIdentity();
    if (Picking) gl.PickMatrix(PickX, PickY, 5, 5);
    const TPerspective p = Camera.Perspective(width(), height());
    gl.Perspective(p.FieldOfView, p.Aspect, p.Near, p.Far);
    gl.MatrixMode(TMatrixMode::ModelView);
    gl.LoadIdentity();
    const TLookAt look = Camera.LookAt();
    gl.LookAt(look.EyeX, look.EyeY, look.EyeZ, look.CenterX, look.CenterY, look.CenterZ, 0, 1, 0);
    gl.Rotate(Camera.RotationY, 0, 1, 0);
    gl.Rotate(Camera.RotationX, 1, 0, 0);
    gl.Scale(Camera.Scale, Camera.Scale, Camera.Scale);
    gl.Enable(TCapability::DepthTest);
}

void TFastmapProjection::SetupLighting()
{
    TDrawing& gl = Gl();
    if (!Mode3DValue) {
        gl.Disable(TCapability::Lighting);
        return;
    }
    static const float white[4] = {1, 1, 1, 1};
    const float position[4] = {0, 0, -2 * Camera.SceneSize, 1};
    gl.Enable(TCapability::Lighting);
    gl.Enable(TCapability::Light0);
    gl.LightPosition(position);
    gl.LightAmbient(white);
    gl.LightDiffuse(white);
    gl.LightSpecular(white);
    gl.MaterialShininess(40);
}

void TFastmapProjection::DrawAxes()
{
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Axis);
    static const float black[4] = {0, 0, 0, 1};
    gl.LoadName(unsigned(-1));
    gl.Disable(TCapability::Lighting);
    gl.LineWidth(1);
    gl.Color(0, 0, 0);
    gl.MaterialDiffuse(black);
    gl.MaterialSpecular(black);
    gl.MaterialEmission(black);
    const float s = Camera.SceneSize;
    const std::vector<float> circle = AxisCircle(s);
    for (int plane = 0; plane < 3; ++plane) {
        if (circle.empty()) break;
        gl.Begin(TPrimitive::LineStrip);
        for (std::size_t i = 0; i + 1 < circle.size(); i += 2) {
            const float c = circle[i], d = circle[i + 1];
            if (plane == 0) gl.Vertex(c, d, 0);
            else if (plane == 1) gl.Vertex(c, 0, d);
            else gl.Vertex(0, c, d);
        }
        gl.End();
    }
    gl.Begin(TPrimitive::Lines);
    gl.Vertex(s / 2, 0, 0), gl.Vertex(-s / 2, 0, 0);
    gl.Vertex(0, s / 2, 0), gl.Vertex(0, -s / 2, 0);
    gl.Vertex(0, 0, s / 2), gl.Vertex(0, 0, -s / 2);
    gl.End();
    {
        TMeaningScope labels(TMeaning::Label);
        gl.RasterPos(s / 2, 0, 0);
        gl.Text("X");
        gl.RasterPos(0, s / 2, 0);
        gl.Text("Y");
        gl.RasterPos(0, 0, s / 2);
        gl.Text("Z");
    }
    if (Mode3DValue) gl.Enable(TCapability::Lighting);
}

void TFastmapProjection::Paint()
{
    TVisualizationPanel::Paint();
    TDrawing& gl = Gl();
    if (!HasData || Projecting) {
        // Nothing to show yet (or the progress dialog of a projection asked for a frame).
        gl.ClearColor(1, 1, 1, 1);
        gl.Clear(true, true);
        return;
    }
    InstallSelectionFunctions();
    if (Picking) {
        gl.BeginSelect(SelectBuffer.data(), int(SelectBuffer.size()));
        gl.InitNames();
        gl.PushName(0);
    }
    SetupCamera(!Picking);
    SetupLighting();
    // In selection mode every record is drawn; otherwise those that satisfy the brushes.
    TRecordList* list = nullptr;
    if (!SelectionMode() && SelectionsController) list = SelectionsController->ListOfItemsSatisfyingSelections();
    PointList->ListOfIndexOfDataItemsToDraw = list;
    PointList->ListVersion = SelectionsController ? SelectionsController->Version() : 0;
    if (Picking) {
        // Only the points inside the pick region can hit: the others are left out before
        // they reach OpenGL.
        const TFastmapCamera::TMatrix region = Camera.PickTransform(width(), height(), PickX, PickY, 5);
        PointList->DrawForPicking(&region);
        HitCount = gl.EndSelect();
    } else {
        PointList->Draw();
        if (DrawGraphFunction) DrawGraphFunction(this);
        if (AxesShown) DrawAxes();
        // In window pixels over the top-left corner, in front of the scene.
        gl.Disable(TCapability::Lighting);
        gl.Disable(TCapability::DepthTest);
        gl.MatrixMode(TMatrixMode::Projection);
        gl.LoadIdentity();
        gl.Ortho(0, width(), 0, height(), -2, 2);
        gl.MatrixMode(TMatrixMode::ModelView);
        gl.LoadIdentity();
        DrawRecordCount(4.0f, float(height()) - 2.0f, float(width()) * 0.5f, 1.0f, 1.0f);
    }
    gl.Flush();
}

void TFastmapProjection::PaintOverlay()
{
    if (!HasData || Projecting || Picking || PointList->MarkedElement() < 0) return;
    TDrawing& gl = Gl();
    SetupCamera(false);
    SetupLighting();
    gl.Disable(TCapability::DepthTest);  // the highlight stays in front of the cloud
    PointList->DrawMarked();
    gl.Flush();
}
