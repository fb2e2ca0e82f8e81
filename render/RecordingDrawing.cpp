#include "render/RecordingDrawing.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {
std::string Format(const char* name, std::initializer_list<double> values)
{
    std::string text = name;
    text += '(';
    bool first = true;
    char buffer[32];
    for (double v : values) {
        if (!first) text += ',';
        first = false;
        // As "%g" writes it, but with '.' decimals under every locale: the SVG writer reads
        // these numbers back.
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6);
        text.append(buffer, written.ec == std::errc() ? written.ptr : buffer);
    }
    text += ')';
    return text;
}

std::string Format4(const char* name, const float v[4])
{
    if (!v) return std::string(name) + "(null)";
    return Format(name, {v[0], v[1], v[2], v[3]});
}
}  // namespace

const char* PrimitiveName(TPrimitive primitive)
{
    switch (primitive) {
    case TPrimitive::Points: return "Points";
    case TPrimitive::Lines: return "Lines";
    case TPrimitive::LineStrip: return "LineStrip";
    case TPrimitive::LineLoop: return "LineLoop";
    case TPrimitive::Triangles: return "Triangles";
    case TPrimitive::Quads: return "Quads";
    }
    return "?";
}

const char* CapabilityName(TCapability capability)
{
    switch (capability) {
    case TCapability::DepthTest: return "DepthTest";
    case TCapability::Lighting: return "Lighting";
    case TCapability::Light0: return "Light0";
    case TCapability::ColorMaterial: return "ColorMaterial";
    case TCapability::LineStipple: return "LineStipple";
    case TCapability::Blend: return "Blend";
    case TCapability::PointSmooth: return "PointSmooth";
    case TCapability::Normalize: return "Normalize";
    }
    return "?";
}

bool TRecordingDrawing::SameColor(const TOpenGLColor& a, const TOpenGLColor& b)
{
    constexpr float tolerance = 1e-4f;
    return std::fabs(a.C1 - b.C1) <= tolerance && std::fabs(a.C2 - b.C2) <= tolerance &&
           std::fabs(a.C3 - b.C3) <= tolerance;
}

void TRecordingDrawing::Reset() { *this = TRecordingDrawing(); }

void TRecordingDrawing::Note(const std::string& call) { Calls.push_back(call); }

// ---- queries

std::vector<const TRecordedPrimitive*> TRecordingDrawing::PrimitivesOf(TPrimitive kind) const
{
    std::vector<const TRecordedPrimitive*> result;
    for (const auto& p : Primitives)
        if (p.Kind == kind) result.push_back(&p);
    return result;
}

std::vector<TRecordedSegment> TRecordingDrawing::LineSegments() const
{
    std::vector<TRecordedSegment> result;
    for (const auto& p : Primitives) {
        const auto& v = p.Vertices;
        switch (p.Kind) {
        case TPrimitive::Lines:
            for (std::size_t i = 0; i + 1 < v.size(); i += 2) result.push_back({v[i], v[i + 1], p.State});
            break;
        case TPrimitive::LineStrip:
        case TPrimitive::LineLoop:
            for (std::size_t i = 0; i + 1 < v.size(); ++i) result.push_back({v[i], v[i + 1], p.State});
            if (p.Kind == TPrimitive::LineLoop && v.size() > 2) result.push_back({v.back(), v.front(), p.State});
            break;
        default: break;
        }
    }
    return result;
}

std::vector<TRecordedSegment> TRecordingDrawing::LineSegmentsInColor(const TOpenGLColor& color) const
{
    std::vector<TRecordedSegment> result;
    for (const auto& s : LineSegments())
        if (SameColor(s.A.Color, color) && SameColor(s.B.Color, color)) result.push_back(s);
    return result;
}

std::vector<TRecordedPoint> TRecordingDrawing::Points() const
{
    std::vector<TRecordedPoint> result;
    for (const auto& p : Primitives)
        if (p.Kind == TPrimitive::Points)
            for (const auto& v : p.Vertices) result.push_back({v, p.State});
    return result;
}

std::vector<TRecordedPoint> TRecordingDrawing::PointsInColor(const TOpenGLColor& color) const
{
    std::vector<TRecordedPoint> result;
    for (const auto& p : Points())
        if (SameColor(p.V.Color, color)) result.push_back(p);
    return result;
}

std::vector<TRecordedVertex> TRecordingDrawing::VerticesInColor(const TOpenGLColor& color) const
{
    std::vector<TRecordedVertex> result;
    for (const auto& p : Primitives)
        for (const auto& v : p.Vertices)
            if (SameColor(v.Color, color)) result.push_back(v);
    return result;
}

std::vector<const TRecordedText*> TRecordingDrawing::TextsContaining(const std::string& part) const
{
    std::vector<const TRecordedText*> result;
    for (const auto& t : Texts)
        if (t.Text.find(part) != std::string::npos) result.push_back(&t);
    return result;
}

std::vector<const TRecordedPrimitive*> TRecordingDrawing::PrimitivesMeaning(TMeaning meaning) const
{
    std::vector<const TRecordedPrimitive*> result;
    for (const auto& p : Primitives)
        if (p.State.Meaning == meaning) result.push_back(&p);
    return result;
}

std::vector<TRecordedPoint> TRecordingDrawing::PointsMeaning(TMeaning meaning) const
{
    std::vector<TRecordedPoint> result;
    for (const auto& p : Points())
        if (p.State.Meaning == meaning) result.push_back(p);
    return result;
}

std::vector<TRecordedSegment> TRecordingDrawing::SegmentsMeaning(TMeaning meaning) const
{
    std::vector<TRecordedSegment> result;
    for (const auto& s : LineSegments())
        if (s.State.Meaning == meaning) result.push_back(s);
    return result;
}

std::vector<const TRecordedText*> TRecordingDrawing::TextsMeaning(TMeaning meaning) const
{
    std::vector<const TRecordedText*> result;
    for (const auto& t : Texts)
        if (t.Meaning == meaning) result.push_back(&t);
    return result;
}

std::vector<const TRecordedImage*> TRecordingDrawing::ImagesMeaning(TMeaning meaning) const
{
    std::vector<const TRecordedImage*> result;
    for (const auto& i : Images)
        if (i.Meaning == meaning) result.push_back(&i);
    return result;
}

bool TRecordingDrawing::AllFinite() const
{
    auto finite = [](std::initializer_list<float> values) {
        for (float v : values)
            if (!std::isfinite(v)) return false;
        return true;
    };
    for (const auto& p : Primitives)
        for (const auto& v : p.Vertices)
            if (!finite({v.X, v.Y, v.Z, v.Color.C1, v.Color.C2, v.Color.C3})) return false;
    for (const auto& t : Texts)
        if (!finite({t.X, t.Y, t.Z, t.Color.C1, t.Color.C2, t.Color.C3})) return false;
    for (const auto& s : Spheres)
        if (!finite({float(s.Radius), s.X, s.Y, s.Z, s.Color.C1, s.Color.C2, s.Color.C3})) return false;
    for (const auto& i : Images)
        if (!finite({i.X0, i.Y0, i.X1, i.Y1, i.Z})) return false;
    return true;
}

int TRecordingDrawing::CountCalls(const std::string& prefix) const
{
    int count = 0;
    for (const auto& c : Calls)
        if (c.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

// ---- state

void TRecordingDrawing::Color(float r, float g, float b) { CurrentColor = TOpenGLColor(r, g, b); }

void TRecordingDrawing::LineWidth(float width)
{
    CurrentState.LineWidth = width;
    Note(Format("LineWidth", {width}));
}

void TRecordingDrawing::PointSize(float size)
{
    CurrentState.PointSize = size;
    Note(Format("PointSize", {size}));
}

void TRecordingDrawing::LineStipple(int factor, std::uint16_t pattern)
{
    CurrentState.StippleFactor = factor;
    CurrentState.StipplePattern = pattern;
    Note(Format("LineStipple", {double(factor), double(pattern)}));
}

void TRecordingDrawing::Enable(TCapability capability)
{
    Enabled.insert(capability);
    if (capability == TCapability::LineStipple) CurrentState.Stippled = true;
    Note(std::string("Enable(") + CapabilityName(capability) + ")");
}

void TRecordingDrawing::Disable(TCapability capability)
{
    Enabled.erase(capability);
    if (capability == TCapability::LineStipple) CurrentState.Stippled = false;
    Note(std::string("Disable(") + CapabilityName(capability) + ")");
}

void TRecordingDrawing::ClearColor(float r, float g, float b, float a) { Note(Format("ClearColor", {r, g, b, a})); }

void TRecordingDrawing::Clear(bool color, bool depth) { Note(Format("Clear", {double(color), double(depth)})); }

void TRecordingDrawing::Viewport(int x, int y, int width, int height)
{
    Note(Format("Viewport", {double(x), double(y), double(width), double(height)}));
}

// ---- primitives

void TRecordingDrawing::Begin(TPrimitive primitive)
{
    if (InPrimitive) {
        Note("error: Begin inside Begin/End");
        return;
    }
    InPrimitive = true;
    TRecordedPrimitive p{primitive, {}, CurrentState, NextSequence++};
    p.State.Meaning = Meaning();
    Primitives.push_back(std::move(p));
}

void TRecordingDrawing::DrawArrays(TPrimitive primitive, const float* positions, int components, const float* colors,
                                   std::size_t count)
{
    if (InPrimitive) {
        Note("error: DrawArrays inside Begin/End");
        return;
    }
    if (!positions || count == 0 || (components != 2 && components != 3)) return;
    if (primitive != TPrimitive::Points && primitive != TPrimitive::Lines) {
        Note("error: DrawArrays of a primitive other than Points or Lines");
        return;
    }
    if (primitive == TPrimitive::Lines) count -= count % 2;
    TRecordedPrimitive p{primitive, {}, CurrentState, NextSequence++};
    p.State.Meaning = Meaning();
    p.Vertices.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const float* v = positions + i * std::size_t(components);
        const TOpenGLColor color = colors ? TOpenGLColor(colors[3 * i], colors[3 * i + 1], colors[3 * i + 2]) : CurrentColor;
        p.Vertices.push_back({v[0], v[1], components == 3 ? v[2] : 0.0f, color});
    }
    Primitives.push_back(std::move(p));
    Note(std::string("DrawArrays(") + PrimitiveName(primitive) + "," + std::to_string(count) + ")");
}

void TRecordingDrawing::Vertex(float x, float y, float z)
{
    if (!InPrimitive) {
        Note("error: Vertex outside Begin/End");
        return;
    }
    Primitives.back().Vertices.push_back({x, y, z, CurrentColor});
}

void TRecordingDrawing::Normal(float x, float y, float z) { Note(Format("Normal", {x, y, z})); }

void TRecordingDrawing::End()
{
    if (!InPrimitive) {
        Note("error: End outside Begin/End");
        return;
    }
    InPrimitive = false;
}

// ---- pictures

void TRecordingDrawing::Image(float x0, float y0, float x1, float y1, float z, const TRgbaImage& image)
{
    if (InPrimitive) {
        Note("error: Image inside Begin/End");
        return;
    }
    TRecordedImage i{x0, y0, x1, y1, z, image, NextSequence++, Meaning()};
    Images.push_back(std::move(i));
    Note("Image(" + std::to_string(image.Width) + "x" + std::to_string(image.Height) + ")");
}

// ---- text

void TRecordingDrawing::RasterPos(float x, float y, float z)
{
    PendingRaster.X = x;
    PendingRaster.Y = y;
    PendingRaster.Z = z;
    PendingRaster.Color = CurrentColor;
    Note(Format("RasterPos", {x, y, z}));
}

void TRecordingDrawing::Text(const std::string& text)
{
    if (text.empty()) return;
    TRecordedText t = PendingRaster;
    t.Text = text;
    t.Sequence = NextSequence++;
    t.Meaning = Meaning();
    Texts.push_back(std::move(t));
}

// ---- matrices

void TRecordingDrawing::MatrixMode(TMatrixMode mode)
{
    Mode = mode;
    Note(mode == TMatrixMode::Projection ? "MatrixMode(Projection)" : "MatrixMode(ModelView)");
}

void TRecordingDrawing::LoadIdentity()
{
    if (Mode == TMatrixMode::ModelView) ModelView.back() = TMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Note("LoadIdentity()");
}

void TRecordingDrawing::Ortho(double left, double right, double bottom, double top, double zNear, double zFar)
{
    Note(Format("Ortho", {left, right, bottom, top, zNear, zFar}));
}

void TRecordingDrawing::Perspective(double fovy, double aspect, double zNear, double zFar)
{
    Note(Format("Perspective", {fovy, aspect, zNear, zFar}));
}

void TRecordingDrawing::LookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY, double centerZ,
                               double upX, double upY, double upZ)
{
    Note(Format("LookAt", {eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ}));
}

void TRecordingDrawing::MultiplyModelView(const TMatrix& m)
{
    if (Mode != TMatrixMode::ModelView) return;
    const TMatrix a = ModelView.back();
    TMatrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * m[col * 4 + k];
            r[col * 4 + row] = sum;
        }
    ModelView.back() = r;
}

void TRecordingDrawing::PushMatrix()
{
    if (Mode == TMatrixMode::ModelView)
        ModelView.push_back(ModelView.back());
    else
        ++ProjectionDepth;
    Note("PushMatrix()");
}

void TRecordingDrawing::PopMatrix()
{
    // An unbalanced pop is an OpenGL error that leaves the stack as it is.
    if (Mode == TMatrixMode::ModelView) {
        if (ModelView.size() > 1)
            ModelView.pop_back();
        else
            Note("error: PopMatrix on an empty stack");
    } else if (ProjectionDepth > 1) {
        --ProjectionDepth;
    } else {
        Note("error: PopMatrix on an empty stack");
    }
    Note("PopMatrix()");
}

void TRecordingDrawing::Translate(float x, float y, float z)
{
    MultiplyModelView(TMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
    Note(Format("Translate", {x, y, z}));
}

void TRecordingDrawing::Rotate(float angle, float x, float y, float z)
{
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length > 0) {
        const double ux = x / length, uy = y / length, uz = z / length;
        const double radians = angle * std::numbers::pi / 180.0;
        const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
        MultiplyModelView(TMatrix{t * ux * ux + c, t * ux * uy + s * uz, t * ux * uz - s * uy, 0,
                                  t * ux * uy - s * uz, t * uy * uy + c, t * uy * uz + s * ux, 0,
                                  t * ux * uz + s * uy, t * uy * uz - s * ux, t * uz * uz + c, 0, 0, 0, 0, 1});
    }
    Note(Format("Rotate", {angle, x, y, z}));
}

void TRecordingDrawing::Scale(float x, float y, float z)
{
    MultiplyModelView(TMatrix{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1});
    Note(Format("Scale", {x, y, z}));
}

// ---- lighting

void TRecordingDrawing::LightPosition(const float position[4]) { Note(Format4("LightPosition", position)); }
void TRecordingDrawing::LightAmbient(const float color[4]) { Note(Format4("LightAmbient", color)); }
void TRecordingDrawing::LightDiffuse(const float color[4]) { Note(Format4("LightDiffuse", color)); }
void TRecordingDrawing::LightSpecular(const float color[4]) { Note(Format4("LightSpecular", color)); }
void TRecordingDrawing::MaterialAmbientDiffuse(const float color[4]) { Note(Format4("MaterialAmbientDiffuse", color)); }
void TRecordingDrawing::MaterialAmbient(const float color[4]) { Note(Format4("MaterialAmbient", color)); }
void TRecordingDrawing::MaterialDiffuse(const float color[4]) { Note(Format4("MaterialDiffuse", color)); }
void TRecordingDrawing::MaterialEmission(const float color[4]) { Note(Format4("MaterialEmission", color)); }
void TRecordingDrawing::ColorMaterial(TFace face, TColorMaterialMode mode)
{
    static const char* const faces[] = {"Front", "Back", "FrontAndBack"};
    static const char* const modes[] = {"Ambient", "Diffuse", "Specular", "Emission", "AmbientAndDiffuse"};
    Note(std::string("ColorMaterial(") + faces[int(face)] + "," + modes[int(mode)] + ")");
}
void TRecordingDrawing::MaterialSpecular(const float color[4]) { Note(Format4("MaterialSpecular", color)); }
void TRecordingDrawing::MaterialShininess(float shininess) { Note(Format("MaterialShininess", {shininess})); }

void TRecordingDrawing::Sphere(double radius, int slices, int stacks)
{
    const TMatrix& m = ModelView.back();
    TRecordedSphere s;
    s.Radius = radius;
    s.Slices = slices;
    s.Stacks = stacks;
    s.X = float(m[12]);
    s.Y = float(m[13]);
    s.Z = float(m[14]);
    s.Color = CurrentColor;
    s.State = CurrentState;
    s.Sequence = NextSequence++;
    s.State.Meaning = Meaning();
    Spheres.push_back(std::move(s));
}

// ---- names

void TRecordingDrawing::InitNames()
{
    CurrentState.Names.clear();
    Note("InitNames()");
}

void TRecordingDrawing::PushName(unsigned name)
{
    CurrentState.Names.push_back(name);
    Note(Format("PushName", {double(name)}));
}

void TRecordingDrawing::PopName()
{
    if (!CurrentState.Names.empty()) CurrentState.Names.pop_back();
    Note("PopName()");
}

void TRecordingDrawing::LoadName(unsigned name)
{
    // OpenGL replaces the top name; on an empty stack it is an error and nothing changes.
    if (!CurrentState.Names.empty())
        CurrentState.Names.back() = name;
    else
        Note("error: LoadName on an empty name stack");
    Note(Format("LoadName", {double(name)}));
}

void TRecordingDrawing::BeginSelect(unsigned* buffer, int size)
{
    SelectBuffer = buffer;
    SelectSize = buffer ? size : 0;
    Selecting = true;
    Note(Format("BeginSelect", {double(size)}));
}

int TRecordingDrawing::EndSelect()
{
    Note("EndSelect()");
    if (!Selecting) return 0;
    Selecting = false;
    int used = 0;
    int hits = 0;
    for (unsigned name : PickedNames) {
        if (used + 4 > SelectSize) return -1;
        SelectBuffer[used++] = 1;
        SelectBuffer[used++] = 0;
        SelectBuffer[used++] = 0;
        SelectBuffer[used++] = name;
        ++hits;
    }
    return hits;
}

void TRecordingDrawing::PickMatrix(double x, double y, double width, double height)
{
    Note(Format("PickMatrix", {x, y, width, height}));
}

void TRecordingDrawing::Flush() { Note("Flush()"); }
