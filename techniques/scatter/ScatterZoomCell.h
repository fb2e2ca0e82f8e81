#pragma once
// The zoom cell: an enlarged copy of the cell the pointer was last over, in the empty
// upper-right triangle of the matrix, with the low and high values and the names of its
// two dimensions on its axes, and a dashed cross-hair with value read-outs that follows
// the pointer inside it. The cross-hair is drawn as an overlay, so a pointer move inside
// the zoom cell repaints only it.
//
// With two dimensions or fewer the zoom cell covers nothing: it draws nothing and never
// holds the pointer.

#include "techniques/scatter/ScatterCell.h"

class TScatterZoomCell {
public:
    // Takes the zoom rectangle of the view's layout and the view's dataset; with a null view
    // nothing happens.
    void Attach(TScatterPlots* view, const TScatterLayout& layout);
    // Forgets the view's dataset, the displayed cell and the pointer (a new dataset).
    void Reset();

    // Whether the zoom cell covers part of the space.
    bool Covers() const { return !Rect().Empty(); }
    TScatterRect Rect() const { return {PosX0, PosY0, PosX1, PosY1}; }

    // Inside the zoom rectangle: remembers the pointer, true. Otherwise forgets it, false.
    bool TrackPointer(int x, int y);
    // The displayed cell's column (line) dimension's value, in its own units, at x (y):
    // the whole zoom width (height) spans the dimension's range, without the inset of the
    // points. A constant column reads its one value.
    float ColumnValueAt(int x) const;
    float LineValueAt(int y) const;

    const TScatterCell* CellToDisplay() const { return Displayed; }
    void SetCellToDisplay(const TScatterCell* cell) { Displayed = cell; }

    // The displayed cell's records from `paint` (its Points are the zoom's: every record
    // to draw, whatever the time window), in the zoom cell's point size.
    void Draw(const TScatterPaint& paint) const;
    void DrawNormal(const TScatterPaint& paint) const;
    void DrawFrequency(const TScatterPaint& paint) const;
    void DrawRelevance(const TScatterPaint& paint) const;
    void DrawFrameAndLabels(const TScatterPaint& paint) const;
    // The cross-hair and the two read-outs, while the pointer is inside.
    void DrawCursor(const TScatterPaint& paint) const;

    TScatterPlots* ScatterPlots = nullptr;
    TPreProcessedData* PreProcessedData = nullptr;
    ENUM_drawModes DrawMode = drawmodeNormal;
    float ZoomPointSize = 4.0f;
    int PosX0 = -1;
    int PosY0 = -1;
    int PosX1 = -1;
    int PosY1 = -1;
    int PointerX = -1;
    int PointerY = -1;
    float ZoomWidth = 0.0f;
    float ZoomHeight = 0.0f;
    TValueScale XScale;
    TValueScale YScale;

private:
    // Places the displayed cell's points; false when there is nothing to draw.
    bool Place(const TScatterPaint& paint) const;
    float ValueIn(int dimension, float fraction) const;

    const TScatterCell* Displayed = nullptr;
};
