#pragma once
// One column of the table lens: the dimension it shows, its horizontal extent, the value
// mapping inside it, and whether the pointer is within it or on its header.
//
// Geometry (logical units): with n columns over SpaceWidth, step = SpaceWidth div n and
// Range = step − 2 (never negative); column i runs from PosX0 = i × step + 1 to
// PosX1 = PosX0 + Range + 1. A value v in [0, 1] lies OffsetOfValue(v) = (Range − 10) × v + 5
// right of PosX0. A column of 10 units or less has no usable width: no value lies under
// the pointer there (ValueAtX answers −1) and its bars are stubs that never turn negative.

#include <string>

class TTableLens;

class TTableLensColumn {
public:
    // Lays out column `i` of `count` over `spaceWidth` units, showing dimension i.
    void Initialize(TTableLens* view, int i, int count, int spaceWidth);

    // Usable width for values (Range − 10), 0 when the column is too narrow.
    float Usable() const { return Range > 10.0f ? Range - 10.0f : 0.0f; }
    float OffsetOfValue(float v) const { return (Range - 10.0f) * v + 5.0f; }
    // The normalised value at logical x; −1 when the column has no usable width.
    float ValueAtX(int x) const;
    // Where a bar of value v ends and starts (absolute x): from 5 % of the usable width for
    // 0 to all of it for 1; start ≤ end even in the narrowest column.
    float BarStart() const;
    float BarEnd(float v) const;

    // The header spans y from spaceHeight − 28 to spaceHeight (hit zone).
    bool HitHeader(int x, int y, int spaceHeight);
    // Also sets IsMouseOverNow = x within the column, whatever y.
    bool HitColumn(int x, int y, int spaceHeight);
    bool ContainsX(int x) const { return PosX0 <= float(x) && float(x) <= PosX1; }

    // Outline (and grey fill when hovered), header, name, hint; at depth −1 except texts.
    void Draw() const;
    void DrawHeaderHint(int left, int bottom) const;

    float Range = 0.0f;
    float PosX0 = -1.0f;
    float PosX1 = -1.0f;
    int DimensionIndex = -1;
    bool IsMouseOverNow = false;
    bool IsMouseOverHeader = false;
    TTableLens* TableLens = nullptr;
};
