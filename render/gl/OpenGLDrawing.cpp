#include "render/gl/OpenGLDrawing.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <algorithm>
#include <cstring>

#include "render/gl/OpenGLPanel.h"

namespace {
using TClock = std::chrono::steady_clock;

// Adds the time of one OpenGL submission to a counter.
class TGlTimer {
public:
    explicit TGlTimer(double& seconds) : Seconds(seconds), Start(TClock::now()) {}
    ~TGlTimer() { Seconds += std::chrono::duration<double>(TClock::now() - Start).count(); }

private:
    double& Seconds;
    TClock::time_point Start;
};

GLenum CapabilityEnum(TCapability capability)
{
    switch (capability) {
    case TCapability::DepthTest: return GL_DEPTH_TEST;
    case TCapability::Lighting: return GL_LIGHTING;
    case TCapability::Light0: return GL_LIGHT0;
    case TCapability::ColorMaterial: return GL_COLOR_MATERIAL;
    case TCapability::LineStipple: return GL_LINE_STIPPLE;
    case TCapability::Blend: return GL_BLEND;
    case TCapability::PointSmooth: return GL_POINT_SMOOTH;
    case TCapability::Normalize: return GL_NORMALIZE;
    }
    return GL_DEPTH_TEST;
}

bool Same3(const float a[3], const float b[3]) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }
void Copy3(float to[3], const float from[3]) { std::memcpy(to, from, 3 * sizeof(float)); }

void AppendThree(std::vector<float>& to, const float from[3])
{
    const std::size_t size = to.size();
    if (size + 3 > to.capacity()) to.reserve(std::max<std::size_t>(size * 2, 3 * 4096));
    to.resize(size + 3);
    Copy3(to.data() + size, from);
}

// Vertices per group of a primitive whose incomplete last group OpenGL drops.
int GroupSize(TPrimitive kind)
{
    switch (kind) {
    case TPrimitive::Lines: return 2;
    case TPrimitive::Triangles: return 3;
    case TPrimitive::Quads: return 4;
    default: return 1;
    }
}
}  // namespace

TOpenGLDrawing::TOpenGLDrawing(TOpenGLPanel* panel) : Panel(panel) {}

TOpenGLDrawing::~TOpenGLDrawing()
{
    if (Quadric) gluDeleteQuadric(Quadric);
}

void TOpenGLDrawing::BeginPaint(double pixelRatio)
{
    PixelRatio = pixelRatio > 0 && std::isfinite(pixelRatio) ? pixelRatio : 1.0;
    ColorKnown = NormalKnown = false;
    ++Paints;
    // Widths persist in the context from paint to paint, as in OpenGL; they are applied
    // again because the pixel ratio may have changed (and starts OpenGL's 1-pixel
    // defaults at the ratio's size).
    glLineWidth(float(LogicalLineWidth * PixelRatio));
    glPointSize(float(LogicalPointSize * PixelRatio));
    AppliedLineWidth = float(LogicalLineWidth * PixelRatio);
    AppliedPointSize = float(LogicalPointSize * PixelRatio);
    KnownMask = KnownEnabled = 0;
    for (bool& known : MaterialKnown) known = false;
    InPrimitive = false;
    Selecting = false;
    Positions.clear();
    Colors.clear();
    Normals.clear();
    // The stipple switch is not known until set; until then strips may be gathered as
    // segments only if stippling is really off.
    Stippling = glIsEnabled(GL_LINE_STIPPLE) == GL_TRUE;
}

void TOpenGLDrawing::EndPaint()
{
    if (InPrimitive) End();
    FlushBatch();
    if (Selecting) EndSelect();  // never leave the context in selection mode
    for (std::size_t i = 0; i < Textures.size();) {
        if (Textures[i].LastUse + 2 < Paints) {
            GLuint id = Textures[i].Id;
            glDeleteTextures(1, &id);
            Textures[i] = Textures.back();
            Textures.pop_back();
        } else {
            ++i;
        }
    }
}

void TOpenGLDrawing::ReleaseTextures()
{
    for (const TTexture& texture : Textures) {
        GLuint id = texture.Id;
        glDeleteTextures(1, &id);
    }
    Textures.clear();
}

// ---- batching

void TOpenGLDrawing::Append(const TVertexData& v)
{
    const std::size_t count = Positions.size() / 3;
    if (count == 0) {
        Copy3(BatchColor, v.Color);
        Copy3(BatchNormal, v.Normal);
        BatchHasColors = BatchHasNormals = false;
        Colors.clear();
        Normals.clear();
    }
    if (!BatchHasColors && !Same3(v.Color, BatchColor)) {
        BatchHasColors = true;
        Colors.reserve(Positions.capacity());
        for (std::size_t i = 0; i < count; ++i) Colors.insert(Colors.end(), BatchColor, BatchColor + 3);
    }
    if (!BatchHasNormals && !Same3(v.Normal, BatchNormal)) {
        BatchHasNormals = true;
        Normals.reserve(Positions.capacity());
        for (std::size_t i = 0; i < count; ++i) Normals.insert(Normals.end(), BatchNormal, BatchNormal + 3);
    }
    AppendThree(Positions, v.Position);
    if (BatchHasColors) AppendThree(Colors, v.Color);
    if (BatchHasNormals) AppendThree(Normals, v.Normal);
}

void TOpenGLDrawing::FlushBatch()
{
    const std::size_t count = Positions.size() / 3;
    if (count == 0) return;
    TGlTimer timer(GlSeconds);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, Positions.data());
    if (BatchHasColors) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, Colors.data());
    } else if (!ColorKnown || !Same3(AppliedColor, BatchColor)) {
        glColor3fv(BatchColor);
        Copy3(AppliedColor, BatchColor);
        ColorKnown = true;
    }
    if (BatchHasNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, Normals.data());
    } else if (!NormalKnown || !Same3(AppliedNormal, BatchNormal)) {
        glNormal3fv(BatchNormal);
        Copy3(AppliedNormal, BatchNormal);
        NormalKnown = true;
    }
    glDrawArrays(BatchMode, 0, GLsizei(count));
    ++DrawCalls;
    // After drawing from an array the current colour / normal are undefined.
    if (BatchHasColors) {
        glDisableClientState(GL_COLOR_ARRAY);
        ColorKnown = false;
    }
    if (BatchHasNormals) {
        glDisableClientState(GL_NORMAL_ARRAY);
        NormalKnown = false;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    Positions.clear();
    Colors.clear();
    Normals.clear();
    BatchHasColors = BatchHasNormals = false;
}

void TOpenGLDrawing::ApplyColor()
{
    if (ColorKnown && Same3(AppliedColor, CurrentColor)) return;
    glColor3fv(CurrentColor);
    Copy3(AppliedColor, CurrentColor);
    ColorKnown = true;
}

// ---- primitives

void TOpenGLDrawing::Begin(TPrimitive primitive)
{
    if (InPrimitive) return;
    GLenum mode = GL_POINTS;
    SplitIntoLines = false;
    bool single = false;
    switch (primitive) {
    case TPrimitive::Points: mode = GL_POINTS; break;
    case TPrimitive::Lines: mode = GL_LINES; break;
    case TPrimitive::LineStrip:
    case TPrimitive::LineLoop:
        if (Stippling) {
            mode = primitive == TPrimitive::LineStrip ? GL_LINE_STRIP : GL_LINE_LOOP;
            single = true;
        } else {
            mode = GL_LINES;
            SplitIntoLines = true;
        }
        break;
    case TPrimitive::Triangles: mode = GL_TRIANGLES; break;
    case TPrimitive::Quads: mode = GL_QUADS; break;
    }
    if (!Positions.empty() && (mode != BatchMode || single || BatchIsSingle)) FlushBatch();
    BatchMode = mode;
    BatchIsSingle = single;
    InPrimitive = true;
    Kind = primitive;
    PrimitiveStart = Positions.size() / 3;
    PrimitiveVertices = 0;
}

void TOpenGLDrawing::Vertex(float x, float y, float z)
{
    if (!InPrimitive) return;
    TVertexData v{{x, y, z}, {CurrentColor[0], CurrentColor[1], CurrentColor[2]},
                  {CurrentNormal[0], CurrentNormal[1], CurrentNormal[2]}};
    if (SplitIntoLines) {
        if (PrimitiveVertices == 0) {
            First = v;
        } else {
            Append(Previous);
            Append(v);
        }
        Previous = v;
    } else {
        Append(v);
    }
    ++PrimitiveVertices;
}

void TOpenGLDrawing::Normal(float x, float y, float z)
{
    CurrentNormal[0] = x;
    CurrentNormal[1] = y;
    CurrentNormal[2] = z;
}

void TOpenGLDrawing::End()
{
    if (!InPrimitive) return;
    InPrimitive = false;
    if (SplitIntoLines) {
        // A loop of two vertices retraces its one segment: the same pixels.
        if (Kind == TPrimitive::LineLoop && PrimitiveVertices > 2) {
            Append(Previous);
            Append(First);
        }
        if (Positions.size() / 3 >= BatchLimit) FlushBatch();
        return;
    }
    // OpenGL drops an incomplete last group; so must the run, or the next primitive's
    // vertices would pair with it.
    const std::size_t group = std::size_t(GroupSize(Kind));
    const std::size_t given = Positions.size() / 3 - PrimitiveStart;
    const std::size_t keep = PrimitiveStart + given / group * group;
    if (keep * 3 != Positions.size()) {
        Positions.resize(keep * 3);
        if (BatchHasColors) Colors.resize(keep * 3);
        if (BatchHasNormals) Normals.resize(keep * 3);
    }
    if (BatchIsSingle || Positions.size() / 3 >= BatchLimit) FlushBatch();
}

void TOpenGLDrawing::DrawArrays(TPrimitive primitive, const float* positions, int components, const float* colors,
                                std::size_t count)
{
    if (Refuse() || !positions || count == 0 || (components != 2 && components != 3)) return;
    if (primitive != TPrimitive::Points && primitive != TPrimitive::Lines) return;
    if (primitive == TPrimitive::Lines) count -= count % 2;
    if (count == 0) return;
    FlushBatch();
    TGlTimer timer(GlSeconds);
    if (!colors) ApplyColor();
    if (!NormalKnown || !Same3(AppliedNormal, CurrentNormal)) {
        glNormal3fv(CurrentNormal);
        Copy3(AppliedNormal, CurrentNormal);
        NormalKnown = true;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(components, GL_FLOAT, 0, positions);
    if (colors) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, colors);
    }
    const GLenum mode = primitive == TPrimitive::Points ? GL_POINTS : GL_LINES;
    // Sent in bounded slices so that a driver never copies one huge array at once.
    constexpr std::size_t Slice = std::size_t(1) << 20;
    for (std::size_t first = 0; first < count; first += Slice) {
        const std::size_t n = std::min(Slice, count - first);
        glDrawArrays(mode, GLint(first), GLsizei(n));
        ++DrawCalls;
    }
    if (colors) {
        glDisableClientState(GL_COLOR_ARRAY);
        ColorKnown = false;  // the current colour is undefined after a colour array
        if (ColorMaterialOn())
            for (bool& known : MaterialKnown) known = false;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

// ---- state

void TOpenGLDrawing::Color(float r, float g, float b)
{
    CurrentColor[0] = r;
    CurrentColor[1] = g;
    CurrentColor[2] = b;
}

void TOpenGLDrawing::LineWidth(float width)
{
    if (Refuse() || !(width > 0)) return;  // OpenGL refuses widths of 0 or less
    LogicalLineWidth = width;
    const float pixels = float(width * PixelRatio);
    if (pixels == AppliedLineWidth) return;
    FlushBatch();
    glLineWidth(pixels);
    AppliedLineWidth = pixels;
}

void TOpenGLDrawing::PointSize(float size)
{
    if (Refuse() || !(size > 0)) return;
    LogicalPointSize = size;
    const float pixels = float(size * PixelRatio);
    if (pixels == AppliedPointSize) return;
    FlushBatch();
    glPointSize(pixels);
    AppliedPointSize = pixels;
}

void TOpenGLDrawing::LineStipple(int factor, std::uint16_t pattern)
{
    if (Refuse()) return;
    FlushBatch();
    const int scaled = int(std::lround(factor * PixelRatio));
    glLineStipple(scaled < 1 ? 1 : (scaled > 256 ? 256 : scaled), pattern);
}

void TOpenGLDrawing::SetCapability(TCapability capability, bool enabled)
{
    if (Refuse()) return;
    const unsigned bit = 1u << unsigned(capability);
    if ((KnownMask & bit) && bool(KnownEnabled & bit) == enabled) return;
    FlushBatch();
    if (enabled)
        glEnable(CapabilityEnum(capability));
    else
        glDisable(CapabilityEnum(capability));
    KnownMask |= bit;
    KnownEnabled = enabled ? (KnownEnabled | bit) : (KnownEnabled & ~bit);
    if (capability == TCapability::LineStipple) Stippling = enabled;
    if (capability == TCapability::ColorMaterial)
        for (bool& known : MaterialKnown) known = false;
}

void TOpenGLDrawing::Enable(TCapability capability) { SetCapability(capability, true); }
void TOpenGLDrawing::Disable(TCapability capability) { SetCapability(capability, false); }

void TOpenGLDrawing::ClearColor(float r, float g, float b, float a)
{
    if (Refuse()) return;
    glClearColor(r, g, b, a);
}

void TOpenGLDrawing::Clear(bool color, bool depth)
{
    if (Refuse()) return;
    FlushBatch();
    const GLbitfield bits = (color ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0);
    if (bits) glClear(bits);
}

void TOpenGLDrawing::Viewport(int x, int y, int width, int height)
{
    if (Refuse()) return;
    FlushBatch();
    auto scaled = [this](int v) { return GLint(std::lround(v * PixelRatio)); };
    glViewport(scaled(x), scaled(y), width > 0 ? scaled(width) : 0, height > 0 ? scaled(height) : 0);
}

// ---- pictures

void TOpenGLDrawing::Image(float x0, float y0, float x1, float y1, float z, const TRgbaImage& image)
{
    if (Refuse() || image.Empty() || Selecting) return;
    FlushBatch();
    TGlTimer timer(GlSeconds);
    // The enables, blend function and texture binding go back as they were.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
    TTexture* kept = nullptr;
    for (TTexture& texture : Textures)
        if (image.Version != 0 && texture.Version == image.Version) kept = &texture;
    if (kept) {
        glBindTexture(GL_TEXTURE_2D, kept->Id);
        kept->LastUse = Paints;
    } else {
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        // One texel per device pixel where the picture was made at the rectangle's size.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.Width, image.Height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image.Pixels.data());
        ++TextureUploads;
        // A picture without a version is never found again: its texture goes after the paint.
        Textures.push_back({image.Version, id, Paints});
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, z);
    glTexCoord2f(1, 0);
    glVertex3f(x1, y0, z);
    glTexCoord2f(1, 1);
    glVertex3f(x1, y1, z);
    glTexCoord2f(0, 1);
    glVertex3f(x0, y1, z);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();
    ++DrawCalls;
    ColorKnown = false;
}

// ---- text

void TOpenGLDrawing::RasterPos(float x, float y, float z)
{
    if (Refuse()) return;
    FlushBatch();
    ApplyColor();  // the raster colour is latched here
    glRasterPos3f(x, y, z);
}

void TOpenGLDrawing::Text(const std::string& text)
{
    if (Refuse() || text.empty() || !Panel) return;
    FlushBatch();
    TGlTimer timer(GlSeconds);
    Panel->DrawText(text);
}

// ---- matrices

void TOpenGLDrawing::MatrixMode(TMatrixMode mode)
{
    if (Refuse()) return;
    FlushBatch();
    glMatrixMode(mode == TMatrixMode::Projection ? GL_PROJECTION : GL_MODELVIEW);
}

void TOpenGLDrawing::LoadIdentity()
{
    if (Refuse()) return;
    FlushBatch();
    glLoadIdentity();
}

void TOpenGLDrawing::Ortho(double left, double right, double bottom, double top, double zNear, double zFar)
{
    if (Refuse()) return;
    // A degenerate box is an OpenGL error that leaves the matrix as it is.
    if (left == right || bottom == top || zNear == zFar) return;
    FlushBatch();
    glOrtho(left, right, bottom, top, zNear, zFar);
}

void TOpenGLDrawing::Perspective(double fovy, double aspect, double zNear, double zFar)
{
    if (Refuse()) return;
    FlushBatch();
    gluPerspective(fovy, aspect, zNear, zFar);
}

void TOpenGLDrawing::LookAt(double eyeX, double eyeY, double eyeZ, double centerX, double centerY, double centerZ,
                            double upX, double upY, double upZ)
{
    if (Refuse()) return;
    FlushBatch();
    gluLookAt(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
}

void TOpenGLDrawing::PushMatrix()
{
    if (Refuse()) return;
    FlushBatch();
    glPushMatrix();
}

void TOpenGLDrawing::PopMatrix()
{
    if (Refuse()) return;
    FlushBatch();
    glPopMatrix();
}

void TOpenGLDrawing::Translate(float x, float y, float z)
{
    if (Refuse()) return;
    FlushBatch();
    glTranslatef(x, y, z);
}

void TOpenGLDrawing::Rotate(float angle, float x, float y, float z)
{
    if (Refuse()) return;
    FlushBatch();
    glRotatef(angle, x, y, z);
}

void TOpenGLDrawing::Scale(float x, float y, float z)
{
    if (Refuse()) return;
    FlushBatch();
    glScalef(x, y, z);
}

// ---- lighting

void TOpenGLDrawing::LightPosition(const float position[4])
{
    if (Refuse() || !position) return;
    FlushBatch();
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

void TOpenGLDrawing::LightAmbient(const float color[4])
{
    if (Refuse() || !color) return;
    FlushBatch();
    glLightfv(GL_LIGHT0, GL_AMBIENT, color);
}

void TOpenGLDrawing::LightDiffuse(const float color[4])
{
    if (Refuse() || !color) return;
    FlushBatch();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, color);
}

bool TOpenGLDrawing::ColorMaterialOn() const
{
    const unsigned bit = 1u << unsigned(TCapability::ColorMaterial);
    return !(KnownMask & bit) || (KnownEnabled & bit);
}

void TOpenGLDrawing::LightSpecular(const float color[4])
{
    if (Refuse() || !color) return;
    FlushBatch();
    glLightfv(GL_LIGHT0, GL_SPECULAR, color);
}

namespace {
enum { MaterialAmbientIndex, MaterialDiffuseIndex, MaterialSpecularIndex, MaterialEmissionIndex, MaterialShininessIndex };
}

void TOpenGLDrawing::SetMaterial(int which, unsigned parameter, const float color[4])
{
    if (Refuse() || !color) return;
    // With colour material on, drawing changes materials behind our back: always send.
    const bool tracked = !ColorMaterialOn();
    if (tracked && MaterialKnown[which] && std::memcmp(KnownMaterial[which], color, 4 * sizeof(float)) == 0) return;
    FlushBatch();
    glMaterialfv(GL_FRONT_AND_BACK, parameter, color);
    std::memcpy(KnownMaterial[which], color, 4 * sizeof(float));
    MaterialKnown[which] = tracked;
    ColorKnown = false;  // with colour material on, a material call may change the colour
}

void TOpenGLDrawing::MaterialAmbientDiffuse(const float color[4])
{
    if (Refuse() || !color) return;
    if (!ColorMaterialOn() && MaterialKnown[MaterialAmbientIndex] && MaterialKnown[MaterialDiffuseIndex] &&
        std::memcmp(KnownMaterial[MaterialAmbientIndex], color, 4 * sizeof(float)) == 0 &&
        std::memcmp(KnownMaterial[MaterialDiffuseIndex], color, 4 * sizeof(float)) == 0)
        return;
    SetMaterial(MaterialAmbientIndex, GL_AMBIENT_AND_DIFFUSE, color);
    std::memcpy(KnownMaterial[MaterialDiffuseIndex], color, 4 * sizeof(float));
    MaterialKnown[MaterialDiffuseIndex] = MaterialKnown[MaterialAmbientIndex];
}

void TOpenGLDrawing::MaterialAmbient(const float color[4]) { SetMaterial(MaterialAmbientIndex, GL_AMBIENT, color); }
void TOpenGLDrawing::MaterialDiffuse(const float color[4]) { SetMaterial(MaterialDiffuseIndex, GL_DIFFUSE, color); }
void TOpenGLDrawing::MaterialEmission(const float color[4]) { SetMaterial(MaterialEmissionIndex, GL_EMISSION, color); }
void TOpenGLDrawing::MaterialSpecular(const float color[4]) { SetMaterial(MaterialSpecularIndex, GL_SPECULAR, color); }

void TOpenGLDrawing::MaterialShininess(float shininess)
{
    if (Refuse()) return;
    if (MaterialKnown[MaterialShininessIndex] && KnownMaterial[MaterialShininessIndex][0] == shininess) return;
    FlushBatch();
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    KnownMaterial[MaterialShininessIndex][0] = shininess;
    MaterialKnown[MaterialShininessIndex] = true;
}

void TOpenGLDrawing::ColorMaterial(TFace face, TColorMaterialMode mode)
{
    if (Refuse()) return;
    FlushBatch();
    const GLenum faces[] = {GL_FRONT, GL_BACK, GL_FRONT_AND_BACK};
    const GLenum modes[] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION, GL_AMBIENT_AND_DIFFUSE};
    glColorMaterial(faces[int(face)], modes[int(mode)]);
    for (bool& known : MaterialKnown) known = false;
    ColorKnown = false;
}

void TOpenGLDrawing::Sphere(double radius, int slices, int stacks)
{
    if (Refuse()) return;
    FlushBatch();
    if (!Quadric) Quadric = gluNewQuadric();
    if (!Quadric) return;
    ApplyColor();
    TGlTimer timer(GlSeconds);
    gluSphere(Quadric, radius, slices, stacks);
    NormalKnown = false;
}

// ---- names

void TOpenGLDrawing::InitNames()
{
    if (Refuse() || !Selecting) return;  // OpenGL ignores names outside selection mode
    FlushBatch();
    glInitNames();
}

void TOpenGLDrawing::PushName(unsigned name)
{
    if (Refuse() || !Selecting) return;  // OpenGL ignores names outside selection mode
    FlushBatch();
    glPushName(name);
}

void TOpenGLDrawing::PopName()
{
    if (Refuse() || !Selecting) return;  // OpenGL ignores names outside selection mode
    FlushBatch();
    glPopName();
}

void TOpenGLDrawing::LoadName(unsigned name)
{
    if (Refuse() || !Selecting) return;  // OpenGL ignores names outside selection mode
    FlushBatch();
    glLoadName(name);
}

void TOpenGLDrawing::BeginSelect(unsigned* buffer, int size)
{
    if (Refuse() || !buffer || size <= 0 || Selecting) return;
    FlushBatch();
    glSelectBuffer(GLsizei(size), buffer);
    glRenderMode(GL_SELECT);
    Selecting = true;
}

int TOpenGLDrawing::EndSelect()
{
    if (Refuse() || !Selecting) return 0;
    FlushBatch();
    Selecting = false;
    TGlTimer timer(GlSeconds);
    return int(glRenderMode(GL_RENDER));
}

void TOpenGLDrawing::PickMatrix(double x, double y, double width, double height)
{
    if (Refuse() || width <= 0 || height <= 0) return;
    FlushBatch();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluPickMatrix(x * PixelRatio, y * PixelRatio, width * PixelRatio, height * PixelRatio, viewport);
}

void TOpenGLDrawing::Flush()
{
    if (Refuse()) return;
    FlushBatch();
    TGlTimer timer(GlSeconds);
    glFlush();
}
