#include "render/OpenGLColor.h"

#include <cmath>
#include <numbers>

#include "render/Drawing.h"

void TOpenGLColor::Apply() const { Gl().Color(C1, C2, C3); }

float HueComponent(float value, float saturation, float phase)
{
    // The cosine argument is formed in extended precision, so the worked values
    // (0.25, 0.75, ...) come out as exactly as a float can hold them.
    const long double argument =
        static_cast<long double>(phase) * std::numbers::pi_v<long double> * (1.0L / 3.0L);
    const long double t = (std::cos(argument) + 1.0L) * 0.5L;
    return static_cast<float>(static_cast<long double>(value) *
                              (1.0L - static_cast<long double>(saturation) * (1.0L - t)));
}

TOpenGLColor HueColor(float value, float saturation, float hue)
{
    if (saturation == 0.0f) return TOpenGLColor(value, value, value);
    return TOpenGLColor(HueComponent(value, saturation, hue), HueComponent(value, saturation, hue + 4.0f),
                        HueComponent(value, saturation, hue + 2.0f));
}

TOpenGLColor RelevanceColor(float strength, float position)
{
    return HueColor(1.0f, strength * strength, 2.0f * position + 4.0f);
}

void SetHueColor(float value, float saturation, float hue) { HueColor(value, saturation, hue).Apply(); }

void SetRelevanceColor(float strength, float position) { RelevanceColor(strength, position).Apply(); }
