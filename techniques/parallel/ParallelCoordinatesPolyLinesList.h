#pragma once
// The polylines of the parallel coordinates view, one per record, in record order, and how
// they are drawn: every record (blue) while there is no selection, otherwise the listed
// records in their selection colours; never records outside the time window.

#include <vector>

#include "techniques/parallel/ParallelCoordinatesPolyLine.h"

class TParallelCoordinatesPolyLinesList {
public:
    // Stores both and makes one polyline per record (item i attached to record i).
    void Build(TParallelCoordinates* view, TPreProcessedData* data);
    void SetDrawMode(ENUM_drawModes mode);
    ENUM_drawModes GetDrawMode() const { return DrawMode; }
    // Null: draw every record.
    void SetListOfIndexOfDataItemsToDraw(const TRecordList* list) { ListOfIndexOfDataItemsToDraw = list; }

    // Draws with the axes laid out in `axes` (its columns bound to the dataset). Each mode
    // gathers its segments into vertex arrays sent in long runs (and where the relevance
    // width changes): the same picture as one two-point strip per segment, at a fraction of
    // the cost.
    void Draw(TParallelAxesGeometry& axes);

    int Count() const { return static_cast<int>(Items.size()); }
    const TParallelCoordinatesPolyLine& Item(int i) const { return Items[i]; }

private:
    std::vector<TParallelCoordinatesPolyLine> Items;
    const TRecordList* ListOfIndexOfDataItemsToDraw = nullptr;
    ENUM_drawModes DrawMode = drawmodeNormal;
    TParallelCoordinates* View = nullptr;
    TPreProcessedData* Data = nullptr;
    TParallelCoordinatesPolyLine Scratch;  // draws a listed record
    TVertexArrays Arrays;                  // kept from paint to paint
};
