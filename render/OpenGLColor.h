#pragma once
// An RGB colour with components in [0, 1], and the two colour scales of the draw modes.

class TOpenGLColor {
public:
    TOpenGLColor() = default;  // blue
    TOpenGLColor(float c1, float c2, float c3) : C1(c1), C2(c2), C3(c3) {}

    TOpenGLColor* SetColor(float c1, float c2, float c3)
    {
        C1 = c1;
        C2 = c2;
        C3 = c3;
        return this;
    }
    TOpenGLColor* Assign(const TOpenGLColor& other)
    {
        C1 = other.C1;
        C2 = other.C2;
        C3 = other.C3;
        return this;
    }
    // Makes the colour current on the current drawing (Gl()).
    void Apply() const;

    bool operator==(const TOpenGLColor&) const = default;

    float C1 = 0.0f;
    float C2 = 0.0f;
    float C3 = 1.0f;
};

// value × (1 − saturation × (1 − t)), t = (cos(phase × π / 3) + 1) × 0.5.
float HueComponent(float value, float saturation, float phase);
// The colour at `hue` on a circle of length 6 (0 red, 2 green, 4 blue), made current.
void SetHueColor(float value, float saturation, float hue);
// SetHueColor(1, strength², 2 × position + 4), made current.
void SetRelevanceColor(float strength, float position);
// The same colours, computed without drawing (for the vertex-colour paths).
TOpenGLColor HueColor(float value, float saturation, float hue);
TOpenGLColor RelevanceColor(float strength, float position);

// A relevance coefficient as colours, widths and sizes use it: within [0, 1], not-a-number
// and negative values read 0 (so a far record never looks as relevant as an exact match,
// also where a view squares it), values above 1 (a sum over many dimensions) read 1.
inline float RelevanceStrength(float coefficient)
{
    if (!(coefficient > 0.0f)) return 0.0f;
    return coefficient > 1.0f ? 1.0f : coefficient;
}
