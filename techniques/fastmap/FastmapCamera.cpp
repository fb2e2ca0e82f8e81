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

namespace {
using TMatrix = TFastmapCamera::TMatrix;

TMatrix Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

TMatrix Multiply(const TMatrix& a, const TMatrix& b)
{
    TMatrix r{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            r[column * 4 + row] = sum;
        }
    return r;
}

TMatrix Rotation(double degrees, double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    x /= length, y /= length, z /= length;
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0, t * x * y - s * z, t * y * y + c,
            t * y * z + s * x, 0,                 t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,
            0,                 0,                 0,                 1};
}

TMatrix Model(const TFastmapCamera& camera)
{
    const TLookAt look = camera.LookAt();
    double f[3] = {look.CenterX - look.EyeX, look.CenterY - look.EyeY, look.CenterZ - look.EyeZ};
    double length = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (!(length > 0)) length = 1;
    for (double& v : f) v /= length;
    // s = f × up (up = y), u = s × f.
    double s[3] = {-f[2], 0, f[0]};
    double sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    if (!(sl > 0)) sl = 1;
    for (double& v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    TMatrix view = {s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1};
    TMatrix move = Identity();
    move[12] = -look.EyeX, move[13] = -look.EyeY, move[14] = -look.EyeZ;
    TMatrix m = Multiply(view, move);
    m = Multiply(m, Rotation(camera.RotationY, 0, 1, 0));
    m = Multiply(m, Rotation(camera.RotationX, 1, 0, 0));
    TMatrix scale = Identity();
    scale[0] = scale[5] = scale[10] = camera.Scale;
    return Multiply(m, scale);
}

TMatrix Projection(const TPerspective& p)
{
    const double f = 1.0 / std::tan(p.FieldOfView * M_PI / 360.0);
    TMatrix m{};
    m[0] = f / p.Aspect;
    m[5] = f;
    m[10] = (p.Far + p.Near) / (p.Near - p.Far);
    m[11] = -1;
    m[14] = 2 * p.Far * p.Near / (p.Near - p.Far);
    return m;
}
} // namespace

TFastmapCamera::TMatrix TFastmapCamera::Transform(int width, int height) const
{
    return Multiply(Projection(Perspective(width, height)), Model(*this));
}

TFastmapCamera::TMatrix TFastmapCamera::PickTransform(int width, int height, double x, double y, double size) const
{
    TMatrix pick = Identity();
    pick[0] = width / size;
    pick[5] = height / size;
    pick[12] = (width - 2 * x) / size;
    pick[13] = (height - 2 * y) / size;
    return Multiply(pick, Transform(width, height));
}

bool InsideClipVolume(const TFastmapCamera::TMatrix& m, const float* p, double margin)
{
    double c[4];
    for (int row = 0; row < 4; ++row) c[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    const double w = c[3];
    if (!(w > 0)) return false;
    const double across = w * (1 + margin);
    return std::fabs(c[0]) <= across && std::fabs(c[1]) <= across && std::fabs(c[2]) <= w * 1.0001;
}

bool ToWindow(const TFastmapCamera::TMatrix& m, int width, int height, const float* p, double& x, double& y)
{
    double c[4];
    for (int row = 0; row < 4; ++row) c[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    if (!(c[3] > 0)) return false;
    x = (c[0] / c[3] + 1) * 0.5 * width;
    y = (c[1] / c[3] + 1) * 0.5 * height;
    return true;
}
