#pragma once
// A range selection (brush): the records whose normalised value on one dimension lies in
// [MinNormalized, MaxNormalized], a colour, its own statistics over those records, and the
// callbacks through which the view that shows it draws and resizes it. Selections know no
// geometry; the view keeps the extent fields (XMax … YMin, MaxValue …) up to date.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/PreProcessedData.h"
#include "data/StatisticsList.h"
#include "render/OpenGLColor.h"

// The events a view sends to a selections list.
enum ENUM_selectionEvents : std::uint8_t {
    seResize = 0,  // move an edge of the focused selection to the mouse position
    seRemove = 1,  // remove the focused selection
    seSelect = 2,  // focus the selection under the mouse, or create a new one there
};

class TSelectioner;
class TSelectionsList;

using TDrawSelectionFunction = std::function<void(TSelectioner* selection)>;
using TResizeSelectionFunction = std::function<void(TSelectioner* selection, int x, int y)>;
using TAddNewSelectionFunction = std::function<void(TSelectionsList* list, int x, int y)>;
// Index of the selection of the list at (x, y), or -1.
using TSelectionOverWhichTheMouseIsFunction = std::function<int(TSelectionsList* list, int x, int y)>;
using TUpdateSelectionsListFunction =
    std::function<bool(TSelectionsList* list, ENUM_selectionEvents event, int x, int y)>;

class TSelectioner {
public:
    TSelectioner();
    TSelectioner(const TSelectioner&) = delete;
    TSelectioner& operator=(const TSelectioner&) = delete;

    // Stores the dataset and dimension and computes the statistics over all records.
    void Attach(TPreProcessedData* data, int dimension);

    float MaxNormalized() const { return MaxNormalizedValue; }
    float MinNormalized() const { return MinNormalizedValue; }
    // A new bound recomputes the selected records, then the statistics (while an overlay is
    // on) and the frequencies (while SetCalculateDataFrequencies). An equal bound does nothing.
    void SetMaxNormalized(float value);
    void SetMinNormalized(float value);
    // Both bounds at once: the records are recomputed once, and not at all when neither
    // bound changes (a drag step that moves one edge of a box may move the other too).
    void SetNormalizedRange(float minimum, float maximum);

    // The records of the dataset, in record order, with Min ≤ value ≤ Max.
    void UpdateSelectedRecords();
    // Frequency weights of every dimension computed among the selected records only.
    void CalculateDataFrequencies();
    // Statistics over the selected records, while any list-level overlay is on.
    void RecalculateStatistics();

    // Toggle the overlay for all dimensions; switching it on recomputes the statistics.
    bool ToggleAverage();
    bool ToggleMedian();
    bool ToggleModaValues();
    bool ToggleStandardDeviation();

    // DrawSelectionFunction, then the statistics when any list-level overlay is on.
    void Draw();
    void ApplyColor() const { ColorValue.Apply(); }
    void Resize(int x, int y);

    // "(min <= name <= max)" in the dimension's own units; "0" when no record is selected.
    std::string GetClause() const;

    int SelectionDimensionIndex() const { return SelectionDimensionIndexValue; }
    TOpenGLColor* Color() { return &ColorValue; }
    const TOpenGLColor* Color() const { return &ColorValue; }
    TStatisticsList* StatisticsList() const { return Statistics.get(); }
    TPreProcessedData* Data() const { return DataValue; }

    // The selected records (not owned), in record order.
    int Count() const { return static_cast<int>(Items.size()); }
    const TRecordList& Records() const { return Items; }
    // nullptr outside 0 … Count − 1.
    TPreProcessedRecord* GetRecord(int index) const;

    bool DiferentiateColor = false;  // the focused selection of its list
    bool SetCalculateDataFrequencies = true;
    int XMax = -1;
    int YMax = -1;
    int XMin = -1;
    int YMin = -1;
    float MaxValue = -1.0f;
    float MinValue = -1.0f;
    std::string MaxString;
    std::string MinString;

    TDrawSelectionFunction DrawSelectionFunction;
    TResizeSelectionFunction ResizeSelectionFunction;

private:
    void BoundChanged();

    TRecordList Items;
    int SelectionDimensionIndexValue = -1;
    float MaxNormalizedValue = -1.0f;
    float MinNormalizedValue = -1.0f;
    TOpenGLColor ColorValue;
    TPreProcessedData* DataValue = nullptr;
    std::unique_ptr<TStatisticsList> Statistics;
};
