#pragma once
// A point with an identifier (the selection name views give it) and a point size.
// The vertex sets no colour: the caller makes one current first.

class TOpenGLVertex {
public:
    // At the origin, 5-pixel points.
    explicit TOpenGLVertex(int id) : FId(id) {}
    // At (x, y, z), point size 0.035 (the 3D views scale it themselves).
    TOpenGLVertex(int id, float x, float y, float z) : PointSize(0.035f), X(x), Y(y), Z(z), FId(id) {}

    TOpenGLVertex* SetPosition(float x, float y, float z)
    {
        X = x;
        Y = y;
        Z = z;
        return this;
    }

    int Id() const { return FId; }

    // Draw3D when is3D, else Draw2D.
    void Draw(bool is3D, bool highlighted) const;
    // One point at (X, Y, 0), PointSize pixels (twice that when highlighted).
    void Draw2D(bool highlighted) const;
    // As Draw2D, at (X, Y, Z).
    void Draw3D(bool highlighted) const;

    float PointSize = 5.0f;
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;

private:
    int FId;
};
