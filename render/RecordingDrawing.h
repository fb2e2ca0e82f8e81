#pragma once
// A drawing that keeps what is drawn, so tests can assert what a view or a statistic
// draws (which primitives, where, in which colour and width) without a window.
//
//   TRecordingDrawing rec;
//   { TCurrentDrawing current(rec); view.Paint(); }
//   auto red = rec.LineSegmentsInColor({1, 0, 0});
//   EXPECT_TRUE(rec.HasText("Age"));
//
// Coordinates are kept as given to Vertex / RasterPos (no matrix is applied), except
// sphere centres, which are the model-view origin at the time of the call (the
// recording keeps its own model-view matrix for that). Colours compare with a small
// tolerance (1e-4 per component) in the query helpers.

#include <array>
#include <set>
#include <string>
#include <vector>

#include "render/Drawing.h"
#include "render/OpenGLColor.h"

struct TRecordedVertex {
    float X = 0, Y = 0, Z = 0;
    TOpenGLColor Color;  // the colour current when the vertex was given
};

// The state in force when a primitive, text or sphere was drawn.
struct TRecordedState {
    float LineWidth = 1.0f;
    float PointSize = 1.0f;
    bool Stippled = false;           // TCapability::LineStipple enabled
    int StippleFactor = 1;           // last LineStipple call
    std::uint16_t StipplePattern = 0xFFFF;
    std::vector<unsigned> Names;     // the selection-name stack
    TMeaning Meaning = TMeaning::None;  // what the primitive means (TDrawing::SetMeaning)
};

struct TRecordedPrimitive {
    TPrimitive Kind;
    std::vector<TRecordedVertex> Vertices;
    TRecordedState State;
    int Sequence = 0;  // position among all recorded primitives, texts and spheres
};

struct TRecordedText {
    std::string Text;         // the bytes as given
    float X = 0, Y = 0, Z = 0;  // the raster position
    TOpenGLColor Color;       // the colour current at RasterPos (as OpenGL latches it)
    int Sequence = 0;
    TMeaning Meaning = TMeaning::None;
};

struct TRecordedSphere {
    double Radius = 0;
    int Slices = 0, Stacks = 0;
    float X = 0, Y = 0, Z = 0;  // model-view origin: where the sphere appears
    TOpenGLColor Color;
    TRecordedState State;
    int Sequence = 0;
};

// A picture drawn into a logical rectangle (TDrawing::Image).
struct TRecordedImage {
    float X0 = 0, Y0 = 0, X1 = 0, Y1 = 0, Z = 0;
    TRgbaImage Image;
    int Sequence = 0;
    TMeaning Meaning = TMeaning::None;
};

// One segment of a Lines, LineStrip or LineLoop primitive.
struct TRecordedSegment {
    TRecordedVertex A, B;
    TRecordedState State;
};

// One vertex of a Points primitive, with the point size in force.
struct TRecordedPoint {
    TRecordedVertex V;
    TRecordedState State;
};

class TRecordingDrawing final : public TDrawing {
public:
    // ---- what was drawn, in order
    std::vector<TRecordedPrimitive> Primitives;
    std::vector<TRecordedText> Texts;
    std::vector<TRecordedSphere> Spheres;
    std::vector<TRecordedImage> Images;
    // Every call that is not a primitive, vertex or text, as a readable line, e.g.
    // "Enable(DepthTest)", "LineWidth(2)", "Ortho(0,100,0,50,-2,2)", "Clear(1,1)",
    // "Viewport(0,0,640,480)", "LoadName(3)", "Translate(1,0,0)". Numbers are written
    // with %g.
    std::vector<std::string> Calls;

    // ---- current state
    TOpenGLColor CurrentColor{1.0f, 1.0f, 1.0f};  // OpenGL's initial colour is white
    TRecordedState CurrentState;
    std::set<TCapability> Enabled;
    bool IsEnabled(TCapability capability) const { return Enabled.count(capability) != 0; }

    // Forgets everything recorded and resets the state.
    void Reset();

    // ---- queries
    // Primitives of one kind.
    std::vector<const TRecordedPrimitive*> PrimitivesOf(TPrimitive kind) const;
    // Every line segment of Lines, LineStrip (consecutive vertices) and LineLoop
    // (closing segment included).
    std::vector<TRecordedSegment> LineSegments() const;
    // Segments whose both ends have `color`.
    std::vector<TRecordedSegment> LineSegmentsInColor(const TOpenGLColor& color) const;
    // Every vertex of a Points primitive.
    std::vector<TRecordedPoint> Points() const;
    std::vector<TRecordedPoint> PointsInColor(const TOpenGLColor& color) const;
    // Every vertex of every primitive given in `color`.
    std::vector<TRecordedVertex> VerticesInColor(const TOpenGLColor& color) const;
    // Texts whose bytes contain `part`.
    std::vector<const TRecordedText*> TextsContaining(const std::string& part) const;
    bool HasText(const std::string& part) const { return !TextsContaining(part).empty(); }
    // The same, restricted to what was drawn under `meaning`.
    std::vector<const TRecordedPrimitive*> PrimitivesMeaning(TMeaning meaning) const;
    std::vector<TRecordedPoint> PointsMeaning(TMeaning meaning) const;
    std::vector<TRecordedSegment> SegmentsMeaning(TMeaning meaning) const;
    std::vector<const TRecordedText*> TextsMeaning(TMeaning meaning) const;
    std::vector<const TRecordedImage*> ImagesMeaning(TMeaning meaning) const;
    // Every recorded coordinate and colour component is finite (vertices, texts, spheres).
    bool AllFinite() const;
    // Number of recorded calls that start with `prefix`, e.g. CountCalls("Enable(Lighting").
    int CountCalls(const std::string& prefix) const;

    static bool SameColor(const TOpenGLColor& a, const TOpenGLColor& b);

    // ---- TDrawing
    void Color(float r, float g, float b) override;
    void LineWidth(float width) override;
    void PointSize(float size) override;
    void LineStipple(int factor, std::uint16_t pattern) override;
    void Enable(TCapability capability) override;
    void Disable(TCapability capability) override;
    void ClearColor(float r, float g, float b, float a) override;
    void Clear(bool color, bool depth) override;
    void Viewport(int x, int y, int width, int height) override;
    // A Begin inside Begin/End, and Vertex or End outside, are ignored (and noted in Calls
    // as "error: ...") as OpenGL ignores them.
    void Begin(TPrimitive primitive) override;
    void Vertex(float x, float y, float z = 0.0f) override;
    void Normal(float x, float y, float z) override;
    void End() override;
    // Recorded as one ordinary primitive (Points or Lines) holding every vertex.
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
    // EndSelect writes one hit record per name of PickedNames (set by the test: the names
    // OpenGL would report under the pick region, in order) into the buffer given to
    // BeginSelect and answers their number, or -1 when they do not fit.
    void BeginSelect(unsigned* buffer, int size) override;
    int EndSelect() override;
    void PickMatrix(double x, double y, double width, double height) override;
    void Flush() override;

    std::vector<unsigned> PickedNames;
    bool Selecting = false;

private:
    using TMatrix = std::array<double, 16>;  // column-major, as OpenGL
    void Note(const std::string& call);
    void MultiplyModelView(const TMatrix& m);

    bool InPrimitive = false;
    unsigned* SelectBuffer = nullptr;
    int SelectSize = 0;
    // OpenGL starts with the raster position at the origin and a white raster colour.
    TRecordedText PendingRaster{"", 0, 0, 0, TOpenGLColor(1, 1, 1), 0};
    int NextSequence = 0;
    TMatrixMode Mode = TMatrixMode::ModelView;
    std::vector<TMatrix> ModelView{TMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    int ProjectionDepth = 1;
};

// Readable name of a primitive kind / capability ("Lines", "DepthTest").
const char* PrimitiveName(TPrimitive primitive);
const char* CapabilityName(TCapability capability);
