#pragma once
// Which pair of dimensions a cell of the scatter plot matrix shows: dimension ColumnIndex
// across, dimension LineIndex up. A cell is diagonal when both are the same dimension.

class TScatterCellIndexes {
public:
    TScatterCellIndexes(int column, int line) : ColumnIndex(column), LineIndex(line) {}

    bool IsDiagonal() const { return ColumnIndex == LineIndex; }
    bool operator==(const TScatterCellIndexes&) const = default;

    int ColumnIndex;
    int LineIndex;
};
