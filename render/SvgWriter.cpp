#include "render/SvgWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "render/Png.h"

namespace {

struct TProjection {
    double Left = 0, Right = 1, Bottom = 0, Top = 1;
    double Width = 1, Height = 1;
    double X(double x) const { return (x - Left) / (Right - Left) * Width; }
    double Y(double y) const { return (Top - y) / (Top - Bottom) * Height; }
    double ScaleX() const { return Width / (Right - Left); }
};

// The arguments of the last call named `name` ("Ortho", "ClearColor").
bool LastCall(const TRecordingDrawing& recording, const char* name, double* values, int count)
{
    const std::string prefix = std::string(name) + "(";
    for (auto call = recording.Calls.rbegin(); call != recording.Calls.rend(); ++call) {
        if (call->rfind(prefix, 0) != 0) continue;
        const char* p = call->c_str() + prefix.size();
        const char* const last = call->c_str() + call->size();
        for (int i = 0; i < count; ++i) {
            // from_chars reads '.' decimals whatever the C library's locale says.
            const auto read = std::from_chars(p, last, values[i]);
            if (read.ec != std::errc()) return false;
            p = read.ptr + (read.ptr < last && *read.ptr == ',' ? 1 : 0);
        }
        return true;
    }
    return false;
}

std::string ColorText(const TOpenGLColor& color)
{
    auto channel = [](float c) {
        return static_cast<int>(std::lround(std::clamp(std::isfinite(c) ? c : 0.0f, 0.0f, 1.0f) * 255.0f));
    };
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", channel(color.C1), channel(color.C2), channel(color.C3));
    return buffer;
}

std::string Number(double value)
{
    if (!std::isfinite(value)) value = 0;
    // SVG numbers always take '.' decimals: to_chars follows no locale.
    char buffer[400];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (written.ec != std::errc()) return "0";
    // Trailing zeros cost bytes in pictures of a million lines.
    std::size_t n = static_cast<std::size_t>(written.ptr - buffer);
    while (n > 0 && buffer[n - 1] == '0') --n;
    if (n > 0 && buffer[n - 1] == '.') --n;
    std::string text(buffer, n);
    return text == "-0" ? "0" : text;
}

std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default:
            // Control characters are not allowed in XML 1.0.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') escaped += c;
        }
    }
    return escaped;
}

// Stroke attributes of a state: colour, width, dashes.
std::string Stroke(const TOpenGLColor& color, const TRecordedState& state)
{
    std::string text = " fill=\"none\" stroke=\"" + ColorText(color) + "\" stroke-width=\"" +
                       Number(std::max(state.LineWidth, 0.0f)) + "\"";
    if (state.Stippled && state.StipplePattern != 0xFFFF) {
        const int dash = std::max(1, state.StippleFactor) * 4;
        text += " stroke-dasharray=\"" + std::to_string(dash) + "," + std::to_string(dash) + "\"";
    }
    return text;
}

class TSvgOutput {
public:
    explicit TSvgOutput(std::function<void(const std::string&)> sink) : Sink(std::move(sink)) {}
    void Write(const std::string& text)
    {
        Buffer += text;
        if (Buffer.size() >= (1u << 20)) Flush();
    }
    void Flush()
    {
        if (!Buffer.empty()) Sink(Buffer);
        Buffer.clear();
    }

private:
    std::function<void(const std::string&)> Sink;
    std::string Buffer;
};

// Consecutive segments of one colour and stroke share a path.
class TPathBatch {
public:
    explicit TPathBatch(TSvgOutput& out) : Out(out) {}
    void Segment(const std::string& stroke, const std::string& meaning, double x1, double y1, double x2, double y2)
    {
        if (stroke != Stroke || meaning != Meaning || Commands.size() > 60000) {
            Flush();
            Stroke = stroke;
            Meaning = meaning;
        }
        Commands += "M" + Number(x1) + " " + Number(y1) + "L" + Number(x2) + " " + Number(y2);
    }
    void Flush()
    {
        if (!Commands.empty()) Out.Write("<path" + Meaning + Stroke + " d=\"" + Commands + "\"/>\n");
        Commands.clear();
    }

private:
    TSvgOutput& Out;
    std::string Stroke, Meaning, Commands;
};

const char* MeaningName(TMeaning meaning)
{
    switch (meaning) {
    case TMeaning::None: return "";
    case TMeaning::Axis: return "axis";
    case TMeaning::Record: return "record";
    case TMeaning::Brush: return "brush";
    case TMeaning::Statistic: return "statistic";
    case TMeaning::Label: return "label";
    case TMeaning::Frame: return "frame";
    case TMeaning::Overlay: return "overlay";
    case TMeaning::Marker: return "marker";
    }
    return "";
}

std::string MeaningAttribute(TMeaning meaning)
{
    const char* name = MeaningName(meaning);
    return *name ? std::string(" class=\"") + name + "\"" : std::string();
}

bool Write(const TRecordingDrawing& recording, int width, int height, TSvgOutput& out)
{
    double ortho[6];
    if (!LastCall(recording, "Ortho", ortho, 6) || ortho[1] == ortho[0] || ortho[3] == ortho[2]) return false;
    TProjection p;
    p.Left = ortho[0];
    p.Right = ortho[1];
    p.Bottom = ortho[2];
    p.Top = ortho[3];
    p.Width = std::max(width, 1);
    p.Height = std::max(height, 1);
    double clear[4] = {1, 1, 1, 1};
    LastCall(recording, "ClearColor", clear, 4);

    out.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out.Write("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + std::to_string(width) + "\" height=\"" +
              std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) + "\">\n");
    out.Write("<rect width=\"100%\" height=\"100%\" fill=\"" +
              ColorText({static_cast<float>(clear[0]), static_cast<float>(clear[1]), static_cast<float>(clear[2])}) + "\"/>\n");

    // Primitives, texts and spheres in the order they were drawn (later ones on top).
    std::size_t primitive = 0, text = 0, sphere = 0, image = 0;
    TPathBatch lines(out);
    auto segment = [&](const TRecordedVertex& a, const TRecordedVertex& b, const TRecordedState& state) {
        lines.Segment(Stroke(a.Color, state), MeaningAttribute(state.Meaning), p.X(a.X), p.Y(a.Y), p.X(b.X), p.Y(b.Y));
    };
    for (;;) {
        const int nextPrimitive = primitive < recording.Primitives.size() ? recording.Primitives[primitive].Sequence : -1;
        const int nextText = text < recording.Texts.size() ? recording.Texts[text].Sequence : -1;
        const int nextSphere = sphere < recording.Spheres.size() ? recording.Spheres[sphere].Sequence : -1;
        const int nextImage = image < recording.Images.size() ? recording.Images[image].Sequence : -1;
        int next = -1;
        for (const int candidate : {nextPrimitive, nextText, nextSphere, nextImage})
            if (candidate >= 0 && (next < 0 || candidate < next)) next = candidate;
        if (next < 0) break;
        if (next == nextPrimitive) {
            const TRecordedPrimitive& item = recording.Primitives[primitive++];
            const auto& v = item.Vertices;
            switch (item.Kind) {
            case TPrimitive::Lines:
                for (std::size_t i = 0; i + 1 < v.size(); i += 2) segment(v[i], v[i + 1], item.State);
                break;
            case TPrimitive::LineStrip:
            case TPrimitive::LineLoop:
                for (std::size_t i = 0; i + 1 < v.size(); ++i) segment(v[i], v[i + 1], item.State);
                if (item.Kind == TPrimitive::LineLoop && v.size() > 2) segment(v.back(), v.front(), item.State);
                break;
            case TPrimitive::Points: {
                lines.Flush();
                const double size = std::max(item.State.PointSize, 1.0f);
                std::string d, color;
                for (const TRecordedVertex& vertex : v) {
                    const std::string c = ColorText(vertex.Color);
                    if (c != color && !d.empty()) {
                        out.Write("<path" + MeaningAttribute(item.State.Meaning) + " fill=\"" + color + "\" d=\"" + d + "\"/>\n");
                        d.clear();
                    }
                    color = c;
                    d += "M" + Number(p.X(vertex.X) - size / 2) + " " + Number(p.Y(vertex.Y) - size / 2) + "h" + Number(size) +
                         "v" + Number(size) + "h" + Number(-size) + "z";
                }
                if (!d.empty())
                    out.Write("<path" + MeaningAttribute(item.State.Meaning) + " fill=\"" + color + "\" d=\"" + d + "\"/>\n");
                break;
            }
            case TPrimitive::Triangles:
            case TPrimitive::Quads: {
                lines.Flush();
                const std::size_t corners = item.Kind == TPrimitive::Triangles ? 3 : 4;
                for (std::size_t i = 0; i + corners <= v.size(); i += corners) {
                    std::string points;
                    for (std::size_t k = 0; k < corners; ++k)
                        points += (k ? " " : "") + Number(p.X(v[i + k].X)) + "," + Number(p.Y(v[i + k].Y));
                    out.Write("<polygon" + MeaningAttribute(item.State.Meaning) + " fill=\"" + ColorText(v[i].Color) +
                              "\" points=\"" + points + "\"/>\n");
                }
                break;
            }
            }
        } else if (next == nextText) {
            lines.Flush();
            const TRecordedText& item = recording.Texts[text++];
            out.Write("<text" + MeaningAttribute(item.Meaning) + " x=\"" + Number(p.X(item.X)) + "\" y=\"" + Number(p.Y(item.Y)) +
                      "\" fill=\"" + ColorText(item.Color) +
                      "\" font-family=\"Arial, Helvetica, sans-serif\" font-size=\"11\" font-weight=\"bold\" "
                      "xml:space=\"preserve\">" +
                      Escaped(item.Text) + "</text>\n");
        } else if (next == nextImage) {
            lines.Flush();
            const TRecordedImage& item = recording.Images[image++];
            if (item.Image.Empty()) continue;
            // An embedded PNG stretched over the rectangle (its first row is the top one).
            const double x0 = p.X(std::min(item.X0, item.X1)), x1 = p.X(std::max(item.X0, item.X1));
            const double y0 = p.Y(std::max(item.Y0, item.Y1)), y1 = p.Y(std::min(item.Y0, item.Y1));
            out.Write("<image" + MeaningAttribute(item.Meaning) + " x=\"" + Number(x0) + "\" y=\"" + Number(y0) +
                      "\" width=\"" + Number(x1 - x0) + "\" height=\"" + Number(y1 - y0) +
                      "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64,");
            out.Write(Base64(EncodePng(item.Image)));
            out.Write("\"/>\n");
        } else {
            lines.Flush();
            const TRecordedSphere& item = recording.Spheres[sphere++];
            out.Write("<circle cx=\"" + Number(p.X(item.X)) + "\" cy=\"" + Number(p.Y(item.Y)) + "\" r=\"" +
                      Number(std::fabs(item.Radius * p.ScaleX())) + "\" fill=\"" + ColorText(item.Color) + "\"/>\n");
        }
    }
    lines.Flush();
    out.Write("</svg>\n");
    out.Flush();
    return true;
}

} // namespace

bool HasFlatProjection(const TRecordingDrawing& recording)
{
    double ortho[6];
    return LastCall(recording, "Ortho", ortho, 6) && ortho[1] != ortho[0] && ortho[3] != ortho[2];
}

bool WriteSvg(const TRecordingDrawing& recording, int width, int height, std::FILE* out)
{
    bool ok = out != nullptr;
    TSvgOutput output([&](const std::string& text) {
        if (ok && std::fwrite(text.data(), 1, text.size(), out) != text.size()) ok = false;
    });
    return Write(recording, width, height, output) && ok;
}

std::string SvgText(const TRecordingDrawing& recording, int width, int height)
{
    std::string text;
    TSvgOutput output([&](const std::string& part) { text += part; });
    if (!Write(recording, width, height, output)) return {};
    return text;
}
