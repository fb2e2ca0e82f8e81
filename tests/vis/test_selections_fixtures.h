#pragma once
// Small datasets and a stand-in for a view's methods object, for the selection tests.
#include <memory>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"
#include "tests/support/UnitScaleData.h"
#include "vis/SelectionsController.h"

inline std::unique_ptr<TPreProcessedData> MakeSelectionData(const std::vector<std::string>& names,
                                                           const std::vector<std::vector<float>>& columns)
{
    return MakeUnitScaleData(names, columns);
}

// What a view's "add new selection" does: a selection over [min, max] on the list's
// dimension, appended, focused and coloured from the palette.
inline TSelectioner* AddSelection(TSelectionsList& list, TPreProcessedData* data, float min, float max)
{
    return AddSelectionOver(list, data, min, max);
}

inline std::vector<int> IndexesOf(const TRecordList& records)
{
    std::vector<int> indexes;
    for (const TPreProcessedRecord* record : records) indexes.push_back(record->Index);
    return indexes;
}
