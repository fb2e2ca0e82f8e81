#pragma once
// The columns of the table lens, column i showing dimension i; the column the pointer was
// last within, and the ordering column (the dimension the rows are sorted by).

#include <vector>

#include "techniques/tablelens/TableLensColumn.h"

class TTableLensColumnsList {
public:
    // One column per dimension of the view's dataset over its SpaceWidth. Resets the
    // hovered column to −1 and the ordering column to 0 (a new dataset starts afresh).
    void BuildColumns(TTableLens* view, int count, int spaceWidth);
    // Outlines every column, then the footer box (1, 0)–(spaceWidth − 1, 40).
    void DrawColumns(int spaceWidth) const;

    // Updates every column's hover state; the last column containing x becomes the hovered
    // one; outside every column the hovered index keeps its value. Answers whether any
    // column's hover state changed.
    bool TrackPointer(int x, int y, int spaceHeight);
    // A click: the column under x (anywhere in its height) becomes the ordering column.
    void ChooseOrderAt(int x, int y, int spaceHeight);

    int Count() const { return static_cast<int>(Items.size()); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    TTableLensColumn& Column(int i) { return Items[i]; }
    const TTableLensColumn& Column(int i) const { return Items[i]; }
    float PosX0(int i) const { return Items[i].PosX0; }
    float PosX1(int i) const { return Items[i].PosX1; }
    float Range(int i) const { return Items[i].Range; }
    float OffsetOfValue(int i, float v) const { return Items[i].OffsetOfValue(v); }
    float ValueAtX(int i, int x) const { return Items[i].ValueAtX(x); }
    bool HeaderContains(int i, int x, int y, int spaceHeight) { return Items[i].HitHeader(x, y, spaceHeight); }

    int IndexOfColumnOverWhichTheMouseIs = -1;
    int IndexOfDimensionToBaseOrder = 0;

private:
    std::vector<TTableLensColumn> Items;
};
