#pragma once
// The FastMap projection view: every record as a point of its FastMap embedding in three
// dimensions, inside a perspective camera that the mouse rotates, translates and scales.
// In selection mode, hovering picks the point under the pointer (OpenGL selection buffer)
// and highlights it with its label; "Centralize Selected Element" moves it to the origin.
// While brushes exist only the records that satisfy them are drawn, in their colours
// (selection mode draws every record).
//
// The view never edits brushes: its paint and mouse handlers bind the shared controller's
// callbacks to handlers that do nothing, and its focused list is "no list", so a drag here
// leaves every other view's brushes as they were.
#include <array>
#include <functional>
#include <memory>

#include "data/MetricEvaluator.h"
#include "techniques/fastmap/FastmapCamera.h"
#include "techniques/fastmap/FastmapPointList.h"
#include "vis/VisualizationPanel.h"

class QAction;
class QMenu;

class TFastmapProjection : public TVisualizationPanel {
    Q_OBJECT

public:
    explicit TFastmapProjection(QWidget* parent = nullptr);
    ~TFastmapProjection() override;

    void Paint() override;
    // The highlighted point over the picture (so that hovering in selection mode redraws
    // only that).
    void PaintOverlay() override;
    // The base operation, the points (one per record) and their projection: the workspace
    // creates views from the list of techniques, so the view projects as soon as it has data.
    bool SetPreProcessedData(TPreProcessedData* data) override;
    // Widget positions; converted into scene coordinates here.
    void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                          int y) override;
    void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                        int y) override;
    void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y) override;
    void SetDrawMode(ENUM_drawModes mode) override;
    void GetDimensionAtPosition(int&, int, int) override {}  // stores nothing
    float GetValueAtPosition(int, int) override { return -1.0f; }

    // ---- own operations
    // Projects the points once (a fresh Euclidean evaluator when none is given). A long
    // projection shows a modal progress dialog; input waits for it.
    void ComputeProjection(stBasicEuclideanMetricEvaluator* evaluator = nullptr);
    void ResetSystem();
    void SetSceneBounds(const TSceneBounds& bounds);
    void ShowPointSizeTracker();
    void PointSizeTrackerChanged();
    void SetPointsSize(float size);
    // Scene coordinates of a widget position (device-independent pixels, y down).
    QPoint ToScene(int x, int y) const;
    // Selection mode's hover: a picking paint around (PickX, PickY) that shows nothing, then
    // TakePick; when the highlighted point changed, the overlay is drawn again.
    void Pick();
    // Highlights the point of the first complete hit of the last picking paint (also when
    // the buffer overflowed); names outside the points (the axes' -1) select nothing.
    void TakePick();

    // ---- menu commands
    void ShowPointSizeTrackerClick() { EndDrag(), ShowPointSizeTracker(); }
    void Mode3DClick();
    void RotateClick();
    void TranslateClick();
    void ScaleClick();
    void SetSelectionModeClick();
    void ResetSystemClick() { EndDrag(), ResetSystem(); }
    void DrawAxesClick();
    void DrawIdsClick();
    void CentralizeSelectedElementClick();

    // ---- state
    bool Mode3D() const { return Mode3DValue; }
    ENUM_panOperation ChoseOperation() const { return Operation; }
    bool SelectionMode() const { return Operation == paSelectionMode; }
    int SelectedElementId() const { return PointList->SelectedElement; }
    float SceneSize() const { return Camera.SceneSize; }
    const TSceneBounds& SceneBounds() const { return Bounds; }

    // A projection expected to take longer than this shows its progress dialog.
    static inline int ProgressAfterMilliseconds = 500;

    std::function<void(TFastmapProjection* view)> DrawGraphFunction;
    bool Picking = false;
    const int SphereDisplayList = 0;
    const int ProjectionDimensions = 3;
    float PointSize = 5.0f;
    int HitCount = 0;
    std::array<unsigned, 16> SelectBuffer{};
    int PickX = 0, PickY = 0;
    TFastmapCamera Camera;
    int PreviousX = 0, PreviousY = 0;
    float OpenGLAreaVerticalRange = 0, OpenGLAreaHorizontalRange = 0;
    bool AxesShown = true;
    bool Dragging = false;
    bool Projecting = false;  // a projection is running (its progress dialog may paint)
    std::unique_ptr<TFastmapPointList> PointList;
    std::unique_ptr<TFormTrackBar> PointSizeTracker;

    QAction* MenuItemShowPointSizeTracker = nullptr;
    QAction* MenuItem3DMode = nullptr;
    QMenu* MenuItemFastmapProjection = nullptr;
    QAction* MenuItemRotate = nullptr;
    QAction* MenuItemScale = nullptr;
    QAction* MenuItemTranslate = nullptr;
    QAction* MenuItemResetSystem = nullptr;
    QAction* MenuItemDrawAxes = nullptr;
    QAction* MenuItemDrawIds = nullptr;
    QAction* MenuItemSetSelectionMode = nullptr;
    QAction* MenuItemCentralizeSelectedElement = nullptr;

private:
    void BuildMenu();
    void EndDrag() { Dragging = false; }
    void SetOperation(ENUM_panOperation operation, QAction* ticked);
    void InstallSelectionFunctions();
    void SetupCamera(bool clear);
    void PaintSelectionPass();
    void SetupLighting();
    void DrawAxes();
    void StorePick(int x, int y);

    bool Mode3DValue = true;
    ENUM_panOperation Operation = paRotate;
    TSceneBounds Bounds;
};
