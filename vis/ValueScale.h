#pragma once
// A view's scale along one direction: a normalised value v ↔ a logical coordinate.
// Drawing, hit-testing, brushes, tests and benchmarks all go through it, so the formula
// and its inverse cannot drift apart.
#include "render/CheckedInt.h"

struct TValueScale {
    float Origin = 0.0f;  // logical coordinate of value 0
    float Length = 0.0f;  // logical length of [0, 1]; may be negative (a reversed axis) or 0

    float ToLogical(float value) const { return Origin + value * Length; }
    // Truncated toward zero; never undefined (see TruncToInt).
    int ToLogicalInt(float value) const { return TruncToInt(ToLogical(value)); }
    // The value at a logical coordinate; 0 on a scale of no length.
    float ToValue(float coordinate) const { return Length != 0.0f ? (coordinate - Origin) / Length : 0.0f; }
};
