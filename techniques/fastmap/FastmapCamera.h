#pragma once
// The FastMap view's scene and camera as plain numbers: the scene bounds and their size,
// the perspective camera a paint sets up from them, the steps of the rotate, translate and
// scale drags, and the axis circles. Paint, mouse handlers and tests all read these.
#include <array>
#include <vector>

enum ENUM_panOperation { paRotate, paTranslate, paScale, paSelectionMode };

struct TSceneBounds {
    float MinX = -10, MaxX = 10, MinY = -10, MaxY = 10, MinZ = -10, MaxZ = 10;
};

// The largest of MaxX, MaxY, MaxZ, |MinX|, |MinY|, |MinZ|; 500 when that is 0 or not a
// finite positive number (all points at the origin, or bounds that are not numbers).
float SceneSizeOf(const TSceneBounds& bounds);

struct TPerspective {
    double FieldOfView = 60;  // degrees, vertical
    double Aspect = 1;
    double Near = 1;
    double Far = 2;
};

struct TLookAt {
    double EyeX = 0, EyeY = 0, EyeZ = 0;
    double CenterX = 0, CenterY = 0, CenterZ = 0;
};

struct TFastmapCamera {
    static constexpr float RotationStep = 3.0f;     // degrees per drag move
    static constexpr float ScaleStep = 0.1f;
    static constexpr float TranslationStep = 0.05f;  // in units of the scene size
    static constexpr float MinimumScale = 0.1f;      // the scene never collapses or mirrors

    float SceneSize = 0;
    float TranslationX = 0, TranslationY = 0;
    float RotationY = 10, RotationX = 10;
    float Scale = 1;

    void Reset()
    {
        TranslationX = TranslationY = 0;
        RotationY = RotationX = 10;
        Scale = 1;
    }
    // One drag move from the previous pointer position (px, py) to (x, y), in scene
    // coordinates with y up: each value changes by one step whatever the distance.
    // `alt` keeps RotationY, `ctrl` keeps RotationX.
    void Drag(ENUM_panOperation operation, int x, int y, int px, int py, bool alt, bool ctrl);

    // From (TranslationX × S, TranslationY × S, 2S) towards (TranslationX × S, TranslationY × S, 0).
    TLookAt LookAt() const;
    // 60 degrees; the near plane is positive and the far plane holds the whole scaled scene
    // (every point within √3 × S × Scale of the origin), so no part of the cloud is clipped.
    TPerspective Perspective(int width, int height) const;

    // Projection × model-view of a paint in a width × height window (column-major, as
    // OpenGL keeps it). With a pick region (centre x, y in window pixels, y up, and its
    // size) the pick matrix comes first, as gluPickMatrix puts it.
    using TMatrix = std::array<double, 16>;
    TMatrix Transform(int width, int height) const;
    TMatrix PickTransform(int width, int height, double x, double y, double size) const;
};

// Whether a scene point lies inside the clip volume of `transform` (widened by `margin`
// across, as a fraction of the volume).
bool InsideClipVolume(const TFastmapCamera::TMatrix& transform, const float* point, double margin);
// Window position (x right, y up) of a scene point; false when it is behind the camera.
bool ToWindow(const TFastmapCamera::TMatrix& transform, int width, int height, const float* point, double& x, double& y);

// The points of an axis circle of radius r around the origin at angles 0, step, 2 step, …
// while t ≤ 2π + step, as (cos t, sin t) × r; step = min(0.1, 2 asin(1 / max(1, r)) / 0.1),
// never below 0.01. Empty when r is not a finite positive number.
std::vector<float> AxisCircle(float radius);
