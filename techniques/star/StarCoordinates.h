#pragma once
// Star coordinates: every dimension is an axis from a common centre to an end point, and
// every record a dot at the centre plus the sum, over the active axes, of its normalised
// value times the axis vector. In 2-D the user drags end points and the centre and
// switches axes off and on (Alt+release, or the popup menu); "Switch 2D/3D" places the
// axes in space, and the scene then turns as the pointer moves.
//
// Picture and overlay: the dots are the kept picture (Paint); the centre, the axes, the
// statistics and the brushes are the overlay (PaintOverlay), so hovering and dragging an
// axis redraw only the overlay, and the dots move once, when the drag ends.

#include <memory>

#include "techniques/star/StarAxis.h"
#include "techniques/star/StarCoordsMethods.h"
#include "techniques/star/StarDot.h"
#include "vis/VisualizationPanel.h"

class QAction;
class TFormTrackBar;

class TStarCoordinates : public TVisualizationPanel {
    Q_OBJECT

public:
    // Hover tolerances and sphere sizes, in window pixels.
    static constexpr float LineTolerance = 5.0f;
    static constexpr float EndPointTolerance = 15.0f;
    static constexpr float CenterTolerance = 10.0f;

    explicit TStarCoordinates(QWidget* parent = nullptr);
    ~TStarCoordinates() override;

    void Paint() override;
    void PaintOverlay() override;
    bool SetPreProcessedData(TPreProcessedData* data) override;
    // Widget positions (device-independent pixels); converted into scene coordinates here.
    void MouseDownOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                          int y) override;
    void MouseUpOnPanel(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x,
                        int y) override;
    void MouseMoveOnPanel(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y) override;
    void SetDrawMode(ENUM_drawModes mode) override;
    // The axis under scene position (x, y); where there is none, the last axis found stays
    // (-1 before any), so the popup's commands reach an axis without a right-click exactly
    // on its line, in 3-D too.
    void GetDimensionAtPosition(int& dimension, int x, int y) override;
    // There is no value under the pointer in this view: always -1.
    float GetValueAtPosition(int x, int y) override;
    TVisualizationMethods* GetMethods() override { return Methods.get(); }

    bool Mode3D() const { return Mode3DValue; }
    // Stores the mode, resets the rotation, places the axes again and ends any drag.
    void SetMode3D(bool mode3D);
    void Switch2D3D() { SetMode3D(!Mode3DValue); }
    // Shrinks the whole star about its centre, axes' directions kept, so that every dot
    // lies inside the view with a margin (at the start and after a switch of 2-D / 3-D).
    void FitDots();
    // The part of each half range the dots may fill.
    static constexpr float FitShare = 0.9f;
    // Axes radius and ranges from the logical space.
    void ComputeGeometry();
    void ShowPointSizeTracker();
    void PointSizeTrackerChanged(int position);
    void SetDotsPointSize(float size);
    // Switches the axis that was under the pointer when the popup menu opened.
    void ToggleMenuAxis();
    bool IsOverCenter(int x, int y) const;
    void MoveCenter(int x, int y);
    // Widget position → scene coordinates.
    QPoint ToScene(int x, int y) const;
    // The hit tolerances in logical units and the current rotation.
    TStarHitFrame HitFrame() const;
    // Half the depth of the 3-D projection: covers every dot under any rotation.
    float DepthRange() const;

    float RotationY = 0.0f;
    float RotationX = 0.0f;
    float AxesRadius = 0.0f;
    float OpenGLAreaVerticalRange = 0.0f;
    float OpenGLAreaHorizontalRange = 0.0f;
    int DraggedAxisIndex = -1;
    bool DraggingCenter = false;
    bool DragMoved = false;  // the pointer moved since the drag began
    bool MouseOverCenter = false;
    int MenuAxis = -1;       // the last axis found under the pointer when the popup menu opened
    TOpenGLVertex Center{-1, 0.0f, 0.0f, 0.0f};
    std::unique_ptr<TStarCoordsMethods> Methods;
    TStarAxesList StarAxesList;
    TStarDotList StarDotList;
    std::unique_ptr<TFormTrackBar> PointSizeTracker;
    QAction* ShowPointSizeTrackerItem = nullptr;
    QAction* Switch2D3DItem = nullptr;
    QAction* ToggleAxisItem = nullptr;

private:
    void SetupScene(bool clear);
    void DrawCenter();
    void DrawAxes();
    void DrawAxis(const TStarAxis& axis);
    // Ends a drag of an end point or the centre; the dots then move.
    void EndDrag();
    // The hover state as drawn (to repaint only when it changes).
    struct THover {
        int Axis = -1;
        bool OverEndPoint = false;
        bool OverCenter = false;
        bool operator==(const THover&) const = default;
    };
    THover Hover() const;

    bool Mode3DValue = false;
};
