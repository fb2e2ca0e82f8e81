#include "techniques/star/StarAxis.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include <numbers>

#include "data/PreProcessedData.h"
#include "render/CheckedInt.h"

// ---- TUnitaryVector

void TUnitaryVector::SetFromVector(float x, float y, float z)
{
    const float l = std::sqrt(x * x + y * y + z * z);
    if (!(l > 0.0f) || !std::isfinite(l)) {
        V1 = V2 = V3 = 0.0f;
        return;
    }
    V1 = x / l;
    V2 = y / l;
    V3 = z / l;
}

// ---- TStarHitFrame

void TStarHitFrame::Project(float x, float y, float z, float& sx, float& sy) const
{
    if (!Mode3D) {
        sx = x;
        sy = y;
        return;
    }
    // The model-view matrix is Ry × Rx: the point turns about x first, then about y.
    constexpr float degree = std::numbers::pi_v<float> / 180.0f;
    const float ax = RotationX * degree, ay = RotationY * degree;
    const float y1 = y * std::cos(ax) - z * std::sin(ax);
    const float z1 = y * std::sin(ax) + z * std::cos(ax);
    sx = x * std::cos(ay) + z1 * std::sin(ay);
    sy = y1;
}

// ---- TStarAxis

void TStarAxis::Initialize(TStarCoordinates* view, const TOpenGLVertex* center, int dimensionIndex)
{
    StarCoordinates = view;
    Center = center;
    DimensionIndex = dimensionIndex;
}

void TStarAxis::Update()
{
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f, cz = Center ? Center->Z : 0.0f;
    const float dx = EndPoint.X - cx, dy = EndPoint.Y - cy, dz = EndPoint.Z - cz;
    UnitaryVector.SetFromVector(dx, dy, dz);
    const float size = std::sqrt(dx * dx + dy * dy + dz * dz);
    SizeOfAxis = std::isfinite(size) ? size : 0.0f;
}

void TStarAxis::SetEndPoint(float x, float y, float z)
{
    EndPoint.SetPosition(x, y, z);
    Update();
}

void TStarAxis::MoveEndPointTo(int x, int y) { SetEndPoint(float(x), float(y), 0.0f); }

void TStarAxis::TranslateEndPoint(int dx, int dy)
{
    MoveEndPointTo(TruncToInt(double(EndPoint.X) + dx), TruncToInt(double(EndPoint.Y) + dy));
}

void TStarAxis::PointAt(float value, float& x, float& y, float& z) const
{
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f, cz = Center ? Center->Z : 0.0f;
    x = cx + value * UnitaryVector.V1 * SizeOfAxis;
    y = cy + value * UnitaryVector.V2 * SizeOfAxis;
    z = cz + value * UnitaryVector.V3 * SizeOfAxis;
}

void TStarAxis::PointAt(float value, TOpenGLVertex* out) const
{
    if (out) PointAt(value, out->X, out->Y, out->Z);
}

bool TStarAxis::EndPointHit(int x, int y, const TStarHitFrame& frame) const
{
    float ex, ey;
    frame.Project(EndPoint.X, EndPoint.Y, EndPoint.Z, ex, ey);
    return std::fabs(float(x) - ex) <= frame.EndX && std::fabs(float(y) - ey) <= frame.EndY;
}

bool TStarAxis::LineHit(int x, int y, const TStarHitFrame& frame) const
{
    float cx, cy, ex, ey;
    frame.Project(Center ? Center->X : 0.0f, Center ? Center->Y : 0.0f, Center ? Center->Z : 0.0f, cx, cy);
    frame.Project(EndPoint.X, EndPoint.Y, EndPoint.Z, ex, ey);
    // An axis that shows no length on screen has no line to be on.
    if (!(SizeOfAxis > 0.0f) || (std::fabs(ex - cx) < 1.0f && std::fabs(ey - cy) < 1.0f)) return false;
    const float px = float(x), py = float(y);
    // Only the side of the centre the axis points to.
    const float ty = frame.LineY, tx = frame.LineX;
    if (py > cy && ey < cy - ty) return false;
    if (py < cy && ey > cy + ty) return false;
    if (py == cy && (ey < cy - ty || ey > cy + ty)) return false;
    if (px > cx && ex < cx - tx) return false;
    if (px < cx && ex > cx + tx) return false;
    if (px == cx && (ex < cx - tx || ex > cx + tx)) return false;
    if (std::fabs(ex - cx) < 1.0f) return std::fabs(px - cx) <= tx;  // nearly vertical
    if (std::fabs(ey - cy) < 1.0f) return std::fabs(py - cy) <= ty;  // nearly horizontal
    const float yl = cy + (px - cx) * (ey - cy) / (ex - cx);
    return std::fabs(py - yl) <= ty;
}

bool TStarAxis::HitTest(int x, int y, const TStarHitFrame& frame)
{
    IsMouseOverEndPoint = EndPointHit(x, y, frame);
    IsMouseOverLine = LineHit(x, y, frame);
    return IsMouseOverLine;
}

// ---- TStarAxesList

void TStarAxesList::Initialize(TStarCoordinates* view, const TOpenGLVertex* center, TPreProcessedData* data,
                               float axesRadius, bool mode3D)
{
    Touch();
    StarCoordinates = view;
    Center = center;
    PreProcessedData = data;
    AxesRadius = axesRadius;
    AxisUnderMouse = -1;
    Items.clear();
    const int n = data ? data->NumberOfDimensions() : 0;
    Items.resize(n);
    for (int i = 0; i < n; ++i) Items[i].Initialize(view, center, i);
    PlaceAxes(mode3D);
}

void TStarAxesList::PlaceAxes(bool mode3D)
{
    Touch();
    const int n = Count();
    if (n == 0) return;
    const float step = 2.0f * std::numbers::pi_v<float> / float(n);
    const float r = AxesRadius;
    float t = 0.0f;
    for (TStarAxis& axis : Items) {
        if (!mode3D) {
            axis.SetEndPoint(r * std::cos(t), r * std::sin(t), 0.0f);
            t += step;
        } else if (axis.IsActive) {
            axis.SetEndPoint(r * std::sin(t) * std::cos(t), r * std::sin(t), r * std::cos(t));
            t += step;
        } else {
            axis.SetEndPoint(0.0f, 0.0f, 0.0f);
        }
    }
    Touch();
}

void TStarAxesList::ScaleAbout(float factor)
{
    if (!std::isfinite(factor) || factor <= 0.0f) return;
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f, cz = Center ? Center->Z : 0.0f;
    for (TStarAxis& axis : Items)
        axis.SetEndPoint(cx + factor * (axis.EndPoint.X - cx), cy + factor * (axis.EndPoint.Y - cy),
                         cz + factor * (axis.EndPoint.Z - cz));
    Touch();
}

float TStarAxesList::FitFactor(const TPreProcessedData& data, float halfWidth, float halfHeight, bool mode3D) const
{
    const std::size_t n = std::size_t(std::max(0, data.RecordsNumber));
    std::vector<float> x(n, 0.0f), y(n, 0.0f), z(n, 0.0f);
    for (const TStarAxis& axis : Items) {
        if (!axis.IsActive || axis.DimensionIndex < 0 || axis.DimensionIndex >= data.NumberOfDimensions()) continue;
        const std::vector<float>& values = data.GetDimension(axis.DimensionIndex)->Values;
        const float vx = axis.UnitaryVector.V1 * axis.SizeOfAxis, vy = axis.UnitaryVector.V2 * axis.SizeOfAxis,
                    vz = axis.UnitaryVector.V3 * axis.SizeOfAxis;
        for (std::size_t r = 0; r < std::min(n, values.size()); ++r) {
            x[r] += values[r] * vx;
            y[r] += values[r] * vy;
            z[r] += values[r] * vz;
        }
    }
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f;
    float factor = 1.0f;
    // At most `room` / `reach`, where the reach is positive and the room is there.
    const auto limit = [&factor](float room, float reach) {
        if (reach > 0.0f && room > 0.0f && std::isfinite(reach)) factor = std::min(factor, room / reach);
    };
    if (mode3D) {
        float reach = 0.0f;
        for (std::size_t r = 0; r < n; ++r) reach = std::max(reach, std::sqrt(x[r] * x[r] + y[r] * y[r] + z[r] * z[r]));
        limit(std::min(halfWidth, halfHeight) - std::hypot(cx, cy), reach);
        return factor;
    }
    float right = 0.0f, left = 0.0f, up = 0.0f, down = 0.0f;
    for (std::size_t r = 0; r < n; ++r) {
        right = std::max(right, x[r]);
        left = std::max(left, -x[r]);
        up = std::max(up, y[r]);
        down = std::max(down, -y[r]);
    }
    limit(halfWidth - cx, right);
    limit(halfWidth + cx, left);
    limit(halfHeight - cy, up);
    limit(halfHeight + cy, down);
    return factor;
}

void TStarAxesList::ClearHover()
{
    for (TStarAxis& axis : Items) axis.IsMouseOverLine = axis.IsMouseOverEndPoint = false;
    AxisUnderMouse = -1;
}

int TStarAxesList::HitTest(int x, int y, const TStarHitFrame& frame)
{
    ClearHover();
    for (int i = 0; i < Count(); ++i)
        if (Items[i].EndPointHit(x, y, frame)) {
            Items[i].IsMouseOverEndPoint = true;
            Items[i].IsMouseOverLine = true;  // the axis about to be grabbed is highlighted
            return AxisUnderMouse = i;
        }
    for (int i = 0; i < Count(); ++i)
        if (Items[i].LineHit(x, y, frame)) {
            Items[i].IsMouseOverLine = true;
            return AxisUnderMouse = i;
        }
    return -1;
}

int TStarAxesList::AxisWithMouseOverEndPoint() const
{
    for (int i = 0; i < Count(); ++i)
        if (Items[i].IsMouseOverEndPoint) return i;
    return -1;
}

void TStarAxesList::ToggleAxis(int index)
{
    TStarAxis* axis = Item(index);
    if (!axis) return;
    axis->IsActive = !axis->IsActive;
    Touch();
}

void TStarAxesList::MoveAxisEndPoint(int index, int x, int y)
{
    if (TStarAxis* axis = Item(index)) axis->MoveEndPointTo(x, y);
}

void TStarAxesList::TranslateAxes(int dx, int dy)
{
    for (TStarAxis& axis : Items) axis.TranslateEndPoint(dx, dy);
}

void TStarAxesList::UpdateAxes()
{
    for (TStarAxis& axis : Items) axis.Update();
}

float TStarAxesList::ActiveLength() const
{
    float length = 0.0f;
    for (const TStarAxis& axis : Items)
        if (axis.IsActive) length += axis.SizeOfAxis;
    return length;
}
