#pragma once
// The drawing interface on OpenGL 1.1 (compatibility context), used on screen.
//
// Begin/Vertex/End primitives are not sent one by one: they gather in client-side vertex
// arrays (with a colour array only where colours change inside a run, a normal array only
// where normals do) and go out with one glDrawArrays per run of equal state. Line strips
// and loops join the GL_LINES run as their segments, which draws the same pixels, except
// while line stippling is on: a stipple pattern runs on along a strip, so stippled strips
// and loops are drawn as such, one call each. The run is flushed before any state change
// (line width, point size, stipple, capabilities), matrix change, text, sphere, selection
// name, clear, and at the end of the paint.
//
// A long run is also sent once it holds BatchLimit vertices (at the end of a primitive),
// which bounds the memory of the arrays and keeps them in cache; the picture is the same.
//
// Sizes given in pixels (viewport, line width, point size) are in device-independent
// pixels and are scaled by the paint's device pixel ratio.

#include <chrono>
#include <vector>

#include "render/Drawing.h"

class TOpenGLPanel;
struct GLUquadric;

class TOpenGLDrawing final : public TDrawing {
public:
    // `panel` draws the texts (its glyph font); may be null, then texts are skipped.
    explicit TOpenGLDrawing(TOpenGLPanel* panel = nullptr);
    ~TOpenGLDrawing() override;
    TOpenGLDrawing(const TOpenGLDrawing&) = delete;
    TOpenGLDrawing& operator=(const TOpenGLDrawing&) = delete;

    // Called around a paint, with the panel's context current. BeginPaint forgets what it
    // knew of the context's state; EndPaint closes an unfinished primitive and flushes.
    void BeginPaint(double pixelRatio);
    void EndPaint();

    // Seconds spent inside the OpenGL submission calls (draws, text, spheres) since
    // construction, so the cost of the calling code can be told from the cost of OpenGL.
    double GlSeconds = 0.0;
    // Number of draw calls issued for batched primitives since construction.
    long long DrawCalls = 0;
    // Pictures sent to OpenGL as textures since construction (a picture shown again in the
    // next paints keeps its texture).
    long long TextureUploads = 0;
    // Frees the kept textures; the context must be current (it is about to go).
    void ReleaseTextures();

    void Color(float r, float g, float b) override;
    void LineWidth(float width) override;
    void PointSize(float size) override;
    void LineStipple(int factor, std::uint16_t pattern) override;
    void Enable(TCapability capability) override;
    void Disable(TCapability capability) override;
    void ClearColor(float r, float g, float b, float a) override;
    void Clear(bool color, bool depth) override;
    void Viewport(int x, int y, int width, int height) override;
    void Begin(TPrimitive primitive) override;
    void Vertex(float x, float y, float z = 0.0f) override;
    void Normal(float x, float y, float z) override;
    void End() override;
    void DrawArrays(TPrimitive primitive, const float* positions, int components, const float* colors,
                    std::size_t count) override;
    void Image(float x0, float y0, float x1, float y1, float z, const TRgbaImage& image) override;
    void RasterPos(float x, float y, float z = 0.0f) override;
    void Text(const std::string& text) override;
    void MatrixMode(TMatrixMode mode) override;
    void LoadIdentity() override;
    void Ortho(double left, double right, double bottom, double top, double zNear, double zFar) override;
    void Perspective(double fovy, double aspect, double zNear, double zFar) override;
    void LookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY, double centerZ, double upX,
                double upY, double upZ) override;
    void PushMatrix() override;
    void PopMatrix() override;
    void Translate(float x, float y, float z) override;
    void Rotate(float angle, float x, float y, float z) override;
    void Scale(float x, float y, float z) override;
    void LightPosition(const float position[4]) override;
    void LightAmbient(const float color[4]) override;
    void LightDiffuse(const float color[4]) override;
    void LightSpecular(const float color[4]) override;
    void MaterialAmbientDiffuse(const float color[4]) override;
    void MaterialAmbient(const float color[4]) override;
    void MaterialDiffuse(const float color[4]) override;
    void MaterialEmission(const float color[4]) override;
    void MaterialSpecular(const float color[4]) override;
    void MaterialShininess(float shininess) override;
    void ColorMaterial(TFace face, TColorMaterialMode mode) override;
    void Sphere(double radius, int slices, int stacks) override;
    void InitNames() override;
    void PushName(unsigned name) override;
    void PopName() override;
    void LoadName(unsigned name) override;
    void BeginSelect(unsigned* buffer, int size) override;
    int EndSelect() override;
    void PickMatrix(double x, double y, double width, double height) override;
    void Flush() override;

private:
    struct TVertexData {
        float Position[3];
        float Color[3];
        float Normal[3];
    };
    // Sends the gathered run, if any.
    void FlushBatch();
    void Append(const TVertexData& v);
    void ApplyColor();
    void SetCapability(TCapability capability, bool enabled);
    bool Refuse() const { return InPrimitive; }  // state calls inside Begin/End are ignored, as in OpenGL
    // Sets material `which` (an index into KnownMaterial) unless it already holds `color`.
    void SetMaterial(int which, unsigned parameter, const float color[4]);

    TOpenGLPanel* Panel;
    GLUquadric* Quadric = nullptr;
    // Textures of the pictures of the last paints, by picture version; those unused for two
    // paints are freed at the end of a paint.
    struct TTexture {
        std::uint64_t Version = 0;
        unsigned Id = 0;
        long long LastUse = 0;
    };
    std::vector<TTexture> Textures;
    long long Paints = 0;
    double PixelRatio = 1.0;

    // current values
    float CurrentColor[3] = {1, 1, 1};
    float CurrentNormal[3] = {0, 0, 1};
    float LogicalLineWidth = 1;
    float LogicalPointSize = 1;
    // what the context is known to hold (reset at BeginPaint)
    bool ColorKnown = false;
    float AppliedColor[3] = {0, 0, 0};
    bool NormalKnown = false;
    float AppliedNormal[3] = {0, 0, 0};
    float AppliedLineWidth = -1;
    float AppliedPointSize = -1;
    unsigned KnownEnabled = 0;   // bit per TCapability, valid where KnownMask has it
    unsigned KnownMask = 0;
    bool Stippling = false;
    // Materials known to be in force: ambient, diffuse, specular, emission, shininess (first
    // value). Colour material makes them unknown again.
    float KnownMaterial[5][4] = {};
    bool MaterialKnown[5] = {};
    bool ColorMaterialOn() const;

    // the open primitive
    bool InPrimitive = false;
    bool Selecting = false;
    TPrimitive Kind = TPrimitive::Points;
    bool SplitIntoLines = false;  // a strip or loop gathered as GL_LINES segments
    std::size_t PrimitiveStart = 0;
    int PrimitiveVertices = 0;
    TVertexData First{}, Previous{};

    // the run being gathered
    static constexpr std::size_t BatchLimit = 1 << 16;
    unsigned BatchMode = 0;
    bool BatchIsSingle = false;  // a stippled strip or loop: drawn alone
    std::vector<float> Positions, Colors, Normals;
    bool BatchHasColors = false, BatchHasNormals = false;
    float BatchColor[3] = {1, 1, 1};
    float BatchNormal[3] = {0, 0, 1};
};
