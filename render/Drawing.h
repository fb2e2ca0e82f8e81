#pragma once
// The drawing interface: the OpenGL 1.1 state and primitives the views use, and nothing
// more. Views, statistics and selections draw only through it. Two implementations:
// TOpenGLDrawing (render/gl) issues the primitives on screen, batched into vertex arrays;
// TRecordingDrawing keeps them so tests can assert what was drawn without a window.
//
// Like an OpenGL context, one drawing is current at a time: a paint makes its drawing
// current (TCurrentDrawing) and everything it calls draws with Gl().

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/RgbaImage.h"

enum class TPrimitive { Points, Lines, LineStrip, LineLoop, Triangles, Quads };
enum class TCapability { DepthTest, Lighting, Light0, ColorMaterial, LineStipple, Blend, PointSmooth, Normalize };
enum class TMatrixMode { Projection, ModelView };
enum class TFace { Front, Back, FrontAndBack };
enum class TColorMaterialMode { Ambient, Diffuse, Specular, Emission, AmbientAndDiffuse };

// What the primitives drawn next mean. Only the recording keeps it (tests pick primitives
// by meaning, not by their width or depth); on screen it costs nothing.
enum class TMeaning : std::uint8_t { None, Axis, Record, Brush, Statistic, Label, Frame, Overlay, Marker };

class TDrawing {
public:
    virtual ~TDrawing() = default;

    // ---- state
    virtual void Color(float r, float g, float b) = 0;
    virtual void LineWidth(float width) = 0;
    virtual void PointSize(float size) = 0;
    virtual void LineStipple(int factor, std::uint16_t pattern) = 0;
    virtual void Enable(TCapability capability) = 0;
    virtual void Disable(TCapability capability) = 0;
    virtual void ClearColor(float r, float g, float b, float a) = 0;
    virtual void Clear(bool color, bool depth) = 0;
    // In the panel's device-independent pixels (its width() and height()); the OpenGL
    // drawing scales viewport, line widths, point sizes and glyphs by the device pixel
    // ratio, so a high-DPI screen shows the same picture.
    virtual void Viewport(int x, int y, int width, int height) = 0;

    // ---- primitives: Begin, any number of Vertex (with Color between them for per-vertex
    // colours), End. Same semantics as glBegin/glEnd.
    virtual void Begin(TPrimitive primitive) = 0;
    virtual void Vertex(float x, float y, float z = 0.0f) = 0;
    virtual void Normal(float x, float y, float z) = 0;
    virtual void End() = 0;
    // Bulk primitives: `count` vertices of `components` (2 or 3; z = 0 for 2) floats each
    // from `positions`, and from `colors` 3 floats (r, g, b) per vertex, or the current
    // colour when it is null. `primitive` is Points or Lines (pairs; an odd last vertex is
    // dropped). One call draws the whole array, as glDrawArrays would; the current colour
    // afterwards is as before the call. Not inside Begin/End.
    virtual void DrawArrays(TPrimitive primitive, const float* positions, int components, const float* colors,
                            std::size_t count) = 0;

    // ---- an RGBA picture stretched over the logical rectangle (x0, y0)–(x1, y1) at depth z,
    // its row 0 along y0, blended over what is there by its alpha. On screen a texture on
    // one quad (a picture the size of the rectangle in device pixels maps pixel to pixel).
    // Not inside Begin/End.
    virtual void Image(float x0, float y0, float x1, float y1, float z, const TRgbaImage& image) = 0;

    // ---- text at the current raster position (set by RasterPos), in the current colour.
    // `text` is bytes; valid UTF-8 is drawn as such, anything else as Latin-1.
    virtual void RasterPos(float x, float y, float z = 0.0f) = 0;
    virtual void Text(const std::string& text) = 0;

    // ---- matrices
    virtual void MatrixMode(TMatrixMode mode) = 0;
    virtual void LoadIdentity() = 0;
    virtual void Ortho(double left, double right, double bottom, double top, double zNear, double zFar) = 0;
    virtual void Perspective(double fovy, double aspect, double zNear, double zFar) = 0;
    virtual void LookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY, double centerZ,
                        double upX, double upY, double upZ) = 0;
    virtual void PushMatrix() = 0;
    virtual void PopMatrix() = 0;
    virtual void Translate(float x, float y, float z) = 0;
    virtual void Rotate(float angle, float x, float y, float z) = 0;
    virtual void Scale(float x, float y, float z) = 0;

    // ---- lighting and material (light 0 only; params as in glLightfv / glMaterialfv)
    virtual void LightPosition(const float position[4]) = 0;
    virtual void LightAmbient(const float color[4]) = 0;
    virtual void LightDiffuse(const float color[4]) = 0;
    virtual void LightSpecular(const float color[4]) = 0;
    // Materials of both faces. Setting the material already in force costs nothing.
    virtual void MaterialAmbientDiffuse(const float color[4]) = 0;
    virtual void MaterialAmbient(const float color[4]) = 0;
    virtual void MaterialDiffuse(const float color[4]) = 0;
    virtual void MaterialEmission(const float color[4]) = 0;
    virtual void MaterialSpecular(const float color[4]) = 0;
    virtual void MaterialShininess(float shininess) = 0;
    // Which material the current colour follows while ColorMaterial is enabled.
    virtual void ColorMaterial(TFace face, TColorMaterialMode mode) = 0;

    // ---- a GLU sphere at the current model-view origin
    virtual void Sphere(double radius, int slices, int stacks) = 0;

    // ---- selection names (GL_SELECT picking). Outside BeginSelect/EndSelect OpenGL ignores
    // them, and so they cost nothing there.
    virtual void InitNames() = 0;
    virtual void PushName(unsigned name) = 0;
    virtual void PopName() = 0;
    virtual void LoadName(unsigned name) = 0;
    // Selection mode: BeginSelect hands OpenGL `buffer` (of `size` values) and switches to
    // GL_SELECT; EndSelect switches back and answers the number of hit records, negative
    // when they overflowed the buffer (glRenderMode). Each hit record is: name count,
    // minimum depth, maximum depth, the names.
    virtual void BeginSelect(unsigned* buffer, int size) = 0;
    virtual int EndSelect() = 0;
    // Multiplies the current matrix by a pick matrix of width × height pixels centred on
    // (x, y) (device-independent pixels, y upwards from the bottom) over the current
    // viewport (gluPickMatrix).
    virtual void PickMatrix(double x, double y, double width, double height) = 0;

    virtual void Flush() = 0;

    // ---- meaning of what is drawn next (see TMeaning)
    void SetMeaning(TMeaning meaning) { MeaningInForce = meaning; }
    TMeaning Meaning() const { return MeaningInForce; }

private:
    TMeaning MeaningInForce = TMeaning::None;
};

// A drawing that discards everything: current outside a paint, and what a panel paints
// with while it is not on screen (its paint still runs: views bind callbacks and compute
// state there).
class TDiscardingDrawing final : public TDrawing {
public:
    void Color(float, float, float) override {}
    void LineWidth(float) override {}
    void PointSize(float) override {}
    void LineStipple(int, std::uint16_t) override {}
    void Enable(TCapability) override {}
    void Disable(TCapability) override {}
    void ClearColor(float, float, float, float) override {}
    void Clear(bool, bool) override {}
    void Viewport(int, int, int, int) override {}
    void Begin(TPrimitive) override {}
    void Vertex(float, float, float) override {}
    void Normal(float, float, float) override {}
    void End() override {}
    void DrawArrays(TPrimitive, const float*, int, const float*, std::size_t) override {}
    void Image(float, float, float, float, float, const TRgbaImage&) override {}
    void RasterPos(float, float, float) override {}
    void Text(const std::string&) override {}
    void MatrixMode(TMatrixMode) override {}
    void LoadIdentity() override {}
    void Ortho(double, double, double, double, double, double) override {}
    void Perspective(double, double, double, double) override {}
    void LookAt(double, double, double, double, double, double, double, double, double) override {}
    void PushMatrix() override {}
    void PopMatrix() override {}
    void Translate(float, float, float) override {}
    void Rotate(float, float, float, float) override {}
    void Scale(float, float, float) override {}
    void LightPosition(const float[4]) override {}
    void LightAmbient(const float[4]) override {}
    void LightDiffuse(const float[4]) override {}
    void LightSpecular(const float[4]) override {}
    void MaterialAmbientDiffuse(const float[4]) override {}
    void MaterialAmbient(const float[4]) override {}
    void MaterialDiffuse(const float[4]) override {}
    void MaterialEmission(const float[4]) override {}
    void MaterialSpecular(const float[4]) override {}
    void MaterialShininess(float) override {}
    void ColorMaterial(TFace, TColorMaterialMode) override {}
    void Sphere(double, int, int) override {}
    void InitNames() override {}
    void PushName(unsigned) override {}
    void PopName() override {}
    void LoadName(unsigned) override {}
    void BeginSelect(unsigned*, int) override {}
    int EndSelect() override { return 0; }
    void PickMatrix(double, double, double, double) override {}
    void Flush() override {}
};

// The current drawing. Outside a paint it is a drawing that discards everything, so code
// that draws outside a paint is harmless.
TDrawing& Gl();

// Makes `drawing` current for its lifetime and restores the previous one afterwards.
class TCurrentDrawing {
public:
    explicit TCurrentDrawing(TDrawing& drawing);
    ~TCurrentDrawing();
    TCurrentDrawing(const TCurrentDrawing&) = delete;
    TCurrentDrawing& operator=(const TCurrentDrawing&) = delete;

private:
    TDrawing* Previous;
};

// Sets the meaning of the current drawing for its lifetime and restores the previous one.
class TMeaningScope {
public:
    explicit TMeaningScope(TMeaning meaning) : Previous(Gl().Meaning()) { Gl().SetMeaning(meaning); }
    ~TMeaningScope() { Gl().SetMeaning(Previous); }
    TMeaningScope(const TMeaningScope&) = delete;
    TMeaningScope& operator=(const TMeaningScope&) = delete;

private:
    TMeaning Previous;
};
