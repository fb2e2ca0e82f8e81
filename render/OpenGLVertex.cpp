#include "render/OpenGLVertex.h"

#include "render/Drawing.h"

namespace {
void DrawPoint(float size, bool highlighted, float x, float y, float z)
{
    TDrawing& gl = Gl();
    gl.PointSize(highlighted ? 2.0f * size : size);
    gl.Begin(TPrimitive::Points);
    gl.Vertex(x, y, z);
    gl.End();
}
}  // namespace

void TOpenGLVertex::Draw(bool is3D, bool highlighted) const
{
    if (is3D)
        Draw3D(highlighted);
    else
        Draw2D(highlighted);
}

void TOpenGLVertex::Draw2D(bool highlighted) const { DrawPoint(PointSize, highlighted, X, Y, 0.0f); }

void TOpenGLVertex::Draw3D(bool highlighted) const { DrawPoint(PointSize, highlighted, X, Y, Z); }
