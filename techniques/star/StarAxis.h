#pragma once
// The axes of the star-coordinates view: one per dimension, from the view's centre to an
// end point the user drags. The geometry here knows no window: the view hands it its
// centre, the hit tolerances in logical units and the scene rotation, and the dots read
// the axis vectors from it.
//
// Scene coordinates: origin in the middle of the logical space, x to the right, y up.

#include <cstdint>
#include <memory>
#include <vector>

#include "data/Auxiliar.h"
#include "render/OpenGLVertex.h"

class TStarCoordinates;
class TPreProcessedData;

// The unit direction of an axis. A zero vector (an end point on the centre) has no
// direction: every component is then 0, so the axis adds nothing to a dot.
class TUnitaryVector {
public:
    void SetFromVector(float x, float y, float z);
    float V1 = 0.0f;
    float V2 = 0.0f;
    float V3 = 0.0f;
};

// What a hit test needs besides the pointer: tolerances in logical units (the view turns
// window pixels into them, so an axis can be grabbed in a small tab too) and, in 3-D, the
// scene rotation, so the test runs on the axes as they appear on screen.
struct TStarHitFrame {
    float LineX = 5.0f, LineY = 5.0f;  // half width of the band around an axis line
    float EndX = 15.0f, EndY = 15.0f;  // half size of the square around an end point
    bool Mode3D = false;
    float RotationY = 0.0f;  // degrees, about the vertical axis (applied last)
    float RotationX = 0.0f;  // degrees, about the horizontal axis (applied first)

    // Where a scene point appears on screen (x, y) under the rotation; unchanged in 2-D.
    void Project(float x, float y, float z, float& sx, float& sy) const;
};

class TStarAxis {
public:
    // `center` is the view's centre, the origin of every axis.
    void Initialize(TStarCoordinates* view, const TOpenGLVertex* center, int dimensionIndex);

    // End point, then direction and length from the centre.
    void SetEndPoint(float x, float y, float z);
    void SetEndPoint(const TOpenGLVertex* p) { SetEndPoint(p->X, p->Y, p->Z); }
    void MoveEndPointTo(int x, int y);
    void TranslateEndPoint(int dx, int dy);
    // Recomputes direction and length after the centre moved.
    void Update();
    // Centre + value × vector: 0 is the centre, 1 the end point.
    void PointAt(float value, TOpenGLVertex* out) const;
    void PointAt(float value, float& x, float& y, float& z) const;

    // Sets the hover flags for (x, y); answers whether the pointer is on the axis line.
    // Both flags start false. An axis of zero length has no line to be on.
    bool HitTest(int x, int y, const TStarHitFrame& frame);
    bool EndPointHit(int x, int y, const TStarHitFrame& frame) const;
    bool LineHit(int x, int y, const TStarHitFrame& frame) const;

    float SizeOfAxis = 0.0f;
    int DimensionIndex = -1;
    TUnitaryVector UnitaryVector;
    bool IsMouseOverLine = false;
    bool IsActive = true;
    bool IsMouseOverEndPoint = false;
    TStarCoordinates* StarCoordinates = nullptr;
    const TOpenGLVertex* Center = nullptr;
    TOpenGLVertex EndPoint{-1};
};

class TStarAxesList {
public:
    // One axis per dimension of `data`, placed for `mode3D`; renews the stamp.
    void Initialize(TStarCoordinates* view, const TOpenGLVertex* center, TPreProcessedData* data, float axesRadius,
                    bool mode3D);
    // 2-D: every axis on a circle of radius AxesRadius around the scene origin. 3-D: the
    // active axes at (R sin t cos t, R sin t, R cos t), t stepping over the active ones only;
    // inactive axes at the origin. Renews the stamp.
    void PlaceAxes(bool mode3D);

    // The axis under (x, y), or -1. Clears every axis's hover flags first, then the axis
    // whose end point is under the pointer wins, else the first whose line is; only that
    // axis is flagged. The answer becomes AxisUnderMouse.
    int HitTest(int x, int y, const TStarHitFrame& frame);
    int AxisWithMouseOverEndPoint() const;
    // Clears every hover flag and AxisUnderMouse.
    void ClearHover();
    // Switches the axis on or off; renews the stamp. Nothing for an index outside.
    void ToggleAxis(int index);
    void ToggleAxisUnderMouse() { ToggleAxis(AxisUnderMouse); }
    void MoveAxisEndPoint(int index, int x, int y);
    void TranslateAxes(int dx, int dy);
    // Every axis recomputes its vector from the centre (after the centre moved).
    void UpdateAxes();
    // Every end point moved to centre + factor × (end point − centre): the whole star grows
    // or shrinks about its centre and every axis keeps its direction. Renews the stamp.
    void ScaleAbout(float factor);
    // The factor, at most 1, by which ScaleAbout brings every dot of `data` (the active axes'
    // sum of value × vector, from the centre) inside the box |x| <= halfWidth, |y| <=
    // halfHeight about the scene origin; in 3-D inside the sphere of radius min(halfWidth,
    // halfHeight), so that no rotation takes a dot out. 1 when the dots lie inside already
    // or when no factor can help (a centre outside the box).
    float FitFactor(const TPreProcessedData& data, float halfWidth, float halfHeight, bool mode3D) const;
    // Marks the axes as changed (the dots recompute their positions).
    void Touch() { StarAxesTimeStamp = NewChangeStamp(); }

    int Count() const { return static_cast<int>(Items.size()); }
    TStarAxis* Item(int i) { return (i >= 0 && i < Count()) ? &Items[i] : nullptr; }
    const TStarAxis* Item(int i) const { return (i >= 0 && i < Count()) ? &Items[i] : nullptr; }
    // Sum of the lengths of the active axes: no dot lies farther from the centre.
    float ActiveLength() const;

    TPreProcessedData* PreProcessedData = nullptr;
    float AxesRadius = 0.0f;
    TChangeStamp StarAxesTimeStamp = 0;
    int AxisUnderMouse = -1;
    TStarCoordinates* StarCoordinates = nullptr;

private:
    std::vector<TStarAxis> Items;
    const TOpenGLVertex* Center = nullptr;
};
