#include "techniques/fastmap/FastmapCamera.h"

#include <algorithm>
#include <cmath>

float SceneSizeOf(const TSceneBounds& b)
{
    float size = 0;
    for (const float v : {b.MaxX, b.MaxY, b.MaxZ})
        if (std::isfinite(v)) size = std::max(size, v);
    for (const float v : {b.MinX, b.MinY, b.MinZ})
        if (std::isfinite(v)) size = std::max(size, std::fabs(v));
    return size > 0 ? size : 500.0f;
}

void TFastmapCamera::Drag(ENUM_panOperation operation, int x, int y, int px, int py, bool alt, bool ctrl)
{
    switch (operation) {
    case paRotate:
        if (!alt) {
            if (x > px) RotationY += RotationStep;
            else if (x < px) RotationY -= RotationStep;
        }
        if (!ctrl) {
            if (y > py) RotationX -= RotationStep;
            else if (y < py) RotationX += RotationStep;
        }
        break;
    case paScale:
        if (y > py) Scale += ScaleStep;
        else if (y < py) Scale = std::max(MinimumScale, Scale - ScaleStep);
        break;
    case paTranslate:
        if (x > px) TranslationX -= TranslationStep;
        else if (x < px) TranslationX += TranslationStep;
        if (y > py) TranslationY -= TranslationStep;
        else if (y < py) TranslationY += TranslationStep;
        break;
    case paSelectionMode: break;
    }
}

TLookAt TFastmapCamera::LookAt() const
{
    const double s = SceneSize;
    return {TranslationX * s, TranslationY * s, 2 * s, TranslationX * s, TranslationY * s, 0};
}

TPerspective TFastmapCamera::Perspective(int width, int height) const
{
    TPerspective p;
    p.Aspect = height > 0 && width > 0 ? double(width) / double(height) : 1.0;
    const TLookAt eye = LookAt();
    const double distance = std::sqrt(eye.EyeX * eye.EyeX + eye.EyeY * eye.EyeY + eye.EyeZ * eye.EyeZ);
    const double radius = std::sqrt(3.0) * double(SceneSize) * double(Scale);
    double far = (distance + radius) * 1.01;
    if (!(far > 0) || !std::isfinite(far)) far = 1000.0;
    // As close as the nearest point can come, but no nearer than 1/1000 of the far plane so
    // that depth keeps its precision.
    double near = (distance - radius) * 0.99;
    near = std::max(near, far / 1000.0);
    p.Near = near;
    p.Far = far;
    return p;
}

std::vector<float> AxisCircle(float radius)
{
    std::vector<float> points;
    if (!std::isfinite(radius) || !(radius > 0)) return points;
    const double r = radius;
    double step = std::min(0.1, 2.0 * std::asin(1.0 / std::max(1.0, r)) / 0.1);
    step = std::max(step, 0.01);
    const double end = 2.0 * M_PI + step;
    for (int i = 0;; ++i) {
        const double t = i * step;
        if (t > end) break;
        points.push_back(float(r * std::cos(t)));
        points.push_back(float(r * std::sin(t)));
    }
    return points;
}
