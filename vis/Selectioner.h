#pragma once
// A range selection (brush): the records whose normalised value on one dimension lies in
// [MinNormalized, MaxNormalized], a colour, its own statistics over those records, and the
// callbacks through which the view that shows it draws and resizes it. Selections know no
// geometry; the view keeps the extent fields (XMax … YMin, MaxValue …) up to date.
//
// The records inside are kept as a bit set over the dataset's storage rows (bit k: the
// record whose Index is k), together with the range of the dimension's ranks the bounds
// cover. A bound that moves flips only the records between the old and the new bound,
// found in the dimension's sorted order; the controller combines the bit sets word by word.

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

    // The records of the dataset with Min ≤ value ≤ Max, computed afresh.
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

    // The selected records (not owned), in the order of the dataset's record list.
    int Count() const { return static_cast<int>(SelectedCount); }
    const TRecordList& Records() const;
    // nullptr outside 0 … Count − 1.
    TPreProcessedRecord* GetRecord(int index) const;
    // The selected records as bits over storage rows: word w holds rows 64 w … 64 w + 63.
    // Rows past the end are not selected.
    const std::vector<std::uint64_t>& Bits() const { return BitsValue; }
    bool Holds(std::uint32_t row) const
    {
        return (row >> 6) < BitsValue.size() && ((BitsValue[row >> 6] >> (row & 63)) & 1u);
    }

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
    // Brings the bit set to the current bounds: by flipping the records whose rank lies
    // between an old and a new bound when the set is current and that is cheaper, else anew.
    // Flipped records also move the kept counts, while they are current.
    void UpdateBits(bool incremental);
    // The counts per rank (and sums) of the selected records in every dimension, for the
    // statistics and frequencies: kept while the bounds move, counted afresh when not current.
    void EnsureCounts();
    std::vector<std::uint32_t> SelectedRows() const;
    // The rows selected, ascending, handed to `visit` one at a time.
    template <class Visit> void ForEachRow(Visit visit) const;

    std::vector<std::uint64_t> BitsValue;
    std::size_t SelectedCount = 0;
    std::uint32_t FirstRank = 0, LastRank = 0;  // the ranks [FirstRank, LastRank) the bits hold
    std::uint64_t BitsGeneration = 0;           // the dimension's rank generation they belong to; 0: none
    struct TKeptCounts {
        std::vector<std::uint32_t> Counts;  // per rank of the dimension; empty: not kept (too many ranks)
        double Sum = 0.0;
        double SumOfSquares = 0.0;
        std::uint64_t Generation = 0;  // the dimension's rank generation they belong to
    };
    std::vector<TKeptCounts> Kept;
    bool KeptCurrent = false;
    int StepsSinceCount = 0;                    // moves since the last count afresh (bounds rounding drift)
    mutable TRecordList Items;                  // Records(), made from the bits on demand
    mutable bool ItemsCurrent = false;
    mutable std::uint64_t ItemsOrderStamp = 0;
    int SelectionDimensionIndexValue = -1;
    float MaxNormalizedValue = -1.0f;
    float MinNormalizedValue = -1.0f;
    TOpenGLColor ColorValue;
    TPreProcessedData* DataValue = nullptr;
    std::unique_ptr<TStatisticsList> Statistics;
};
