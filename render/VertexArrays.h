#pragma once
// Vertices gathered for the bulk primitives of the drawing interface (DrawArrays): a view
// appends positions (and colours) record after record and the arrays go out in bounded
// runs, so a million records cost a few calls instead of one per vertex. Colours are kept
// per vertex only once a vertex differs from the first one's colour. The arrays keep their
// memory from paint to paint.
#include <cstddef>
#include <vector>

#include "render/Drawing.h"
#include "render/OpenGLColor.h"

class TVertexArrays {
public:
    // Vertices sent at once at most (a run ends at the next whole primitive after it).
    static constexpr std::size_t RunLimit = std::size_t(1) << 16;

    explicit TVertexArrays(TPrimitive primitive = TPrimitive::Lines) : Primitive(primitive) {}

    void SetPrimitive(TPrimitive primitive)
    {
        if (primitive != Primitive) Flush();
        Primitive = primitive;
    }
    void Add(float x, float y, float z, const TOpenGLColor& color)
    {
        const std::size_t count = Positions.size() / 3;
        if (count == 0) {
            First = color;
            PerVertex = false;
        } else if (!PerVertex && !(color == First)) {
            PerVertex = true;
            Colors.clear();
            for (std::size_t i = 0; i < count; ++i) Colors.insert(Colors.end(), {First.C1, First.C2, First.C3});
        }
        Positions.insert(Positions.end(), {x, y, z});
        if (PerVertex) Colors.insert(Colors.end(), {color.C1, color.C2, color.C3});
    }
    // Call after each whole primitive (a segment, a record): sends the run once it is long.
    void EndOfPrimitive()
    {
        if (Positions.size() / 3 >= RunLimit) Flush();
    }
    // Sends what was gathered; the current colour is set to the run's colour when it has one.
    void Flush()
    {
        const std::size_t count = Positions.size() / 3;
        if (count == 0) return;
        TDrawing& gl = Gl();
        if (!PerVertex) gl.Color(First.C1, First.C2, First.C3);
        gl.DrawArrays(Primitive, Positions.data(), 3, PerVertex ? Colors.data() : nullptr, count);
        Positions.clear();
        Colors.clear();
        PerVertex = false;
    }
    std::size_t Size() const { return Positions.size() / 3; }

private:
    TPrimitive Primitive;
    std::vector<float> Positions;
    std::vector<float> Colors;
    TOpenGLColor First;
    bool PerVertex = false;
};
