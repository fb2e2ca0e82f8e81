#pragma once
// Where everything of the scatter plot matrix lies in the logical space, computed from the
// space and the number of dimensions alone (no window, no OpenGL), so drawing, hit tests,
// brushes and statistics marks all read the same numbers.
//
// With n dimensions: CellWidth = (SpaceWidth − 30) / n, CellHeight = (SpaceHeight − 30) / n;
// cells start at whole steps floor(CellWidth), floor(CellHeight) from the 30-unit margin:
// cell (column c, line l) has its lower-left corner at (30 + (n − 1 − c) × StepX,
// 30 + l × StepY), so line 0 is the bottom row and dimension n − 1 the left column. The
// zoom cell fills the block of n − s slots at the top right, s = n div 2 + 1; with two
// dimensions or fewer it covers nothing.

#include "vis/ValueScale.h"

// A rectangle of whole units: left, bottom, right, top.
struct TScatterRect {
    int X0 = -1;
    int Y0 = -1;
    int X1 = -1;
    int Y1 = -1;

    // Left and bottom edges inside, right and top outside.
    bool Contains(int x, int y) const { return X0 <= x && x < X1 && Y0 <= y && y < Y1; }
    bool Empty() const { return X1 <= X0 || Y1 <= Y0; }
};

struct TScatterLayout {
    static constexpr int Margin = 30;
    // Points keep this distance from a cell's frame, where the cell is wide enough.
    static constexpr int Inset = 4;

    int Dimensions = 0;
    float CellWidth = 0.0f;
    float CellHeight = 0.0f;
    int StepX = 0;
    int StepY = 0;
    int ZoomLeft = 0;
    int ZoomBottom = 0;
    float ZoomWidth = 0.0f;
    float ZoomHeight = 0.0f;

    // The layout of `dimensions` dimensions in a space of the given size; all zero without
    // dimensions.
    static TScatterLayout Compute(int spaceWidth, int spaceHeight, int dimensions);

    // The zoom cell covers part of the space (more than two dimensions).
    bool HasZoom() const;
    TScatterRect Cell(int column, int line) const;
    TScatterRect Zoom() const;
    // Lower-left corner of a dimension's diagonal cell.
    int DiagonalX(int dimension) const { return Margin + (Dimensions - 1 - dimension) * StepX; }
    int DiagonalY(int dimension) const { return Margin + dimension * StepY; }

    // Normalised value ↔ logical coordinate of the points plotted along an extent starting
    // at `origin`: 4 units in from both ends, or the whole extent when it is 8 units or
    // less (the inset would turn the axis round).
    static TValueScale PlotScale(int origin, float extent);
    TValueScale CellXScale(int column) const { return PlotScale(DiagonalX(column), CellWidth); }
    TValueScale CellYScale(int line) const { return PlotScale(DiagonalY(line), CellHeight); }
    TValueScale ZoomXScale() const { return PlotScale(ZoomLeft, ZoomWidth); }
    TValueScale ZoomYScale() const { return PlotScale(ZoomBottom, ZoomHeight); }
};
