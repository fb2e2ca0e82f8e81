#pragma once
// The selections of a workspace: one selections list per dimension of its dataset,
// combined by a logic operation into the records that satisfy them (recoloured with the
// colour of the selection that holds them), the condition text of a pipeline, and the
// routing of a view's mouse events to the list of the dimension under the pointer.
// All views of a workspace share one controller and bind their callbacks into it on
// every paint, so the callback setters are cheap.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vis/SelectionsList.h"

enum ENUM_logicOperations : std::uint8_t { loAND = 0, loOR = 1, loXOR = 2 };

class TSelectionsController;

using TSelectionsControllerAddNewSelectionFunction = std::function<void(TSelectionsController* controller, int dimension)>;
// Index of the dimension (and so of the selections list) at a logical position.
using TGetFocusedSelectionListFunction = std::function<int(TSelectionsController* controller, int x, int y)>;
using TSetStatisticsListDrawingFunction = std::function<void(TStatisticsList* statisticsList)>;

class TSelectionsController {
public:
    TSelectionsController() = default;
    TSelectionsController(const TSelectionsController&) = delete;
    TSelectionsController& operator=(const TSelectionsController&) = delete;

    // One new selections list per dimension of `data` (replacing any earlier ones).
    void BindData(TPreProcessedData* data);
    TPreProcessedData* Data() const { return DataValue; }

    int Count() const { return static_cast<int>(Items.size()); }
    // nullptr outside 0 … Count − 1.
    TSelectionsList* GetSelectionsList(int dimension) const;

    // nullptr while there is no selection (and KeepItemsList is off): draw every record.
    // Otherwise the records satisfying the selections, computed afresh; with KeepItemsList
    // on and no selection, the list as it was.
    TRecordList* ListOfItemsSatisfyingSelections();
    // Combines the selections by LogicOperation into the items list, recolouring every
    // record a selection contains. Clears KeepItemsList.
    void ComputeItemsSatisfyingSelections();
    int NumberOfSelections() const;

    // Changes whenever the records that satisfy the selections, or their colours, may have
    // changed: the dataset, its record order, the logic operation, or any selection's bounds,
    // colour or existence. Views key their caches on it (the satisfying-records list is the
    // same object every time, so its address tells nothing).
    std::uint64_t Version() const;

    // Routes a mouse event to the list under (x, y). When that list holds no selection
    // afterwards, the frequencies of all records are computed again and false is answered.
    bool ProcessSelectionEvent(ENUM_selectionEvents event, int x, int y);
    // GetFocusedSelectionListFunction, or -1 when it is unset.
    int GetFocusedSelectionList(int x, int y);

    void DrawSelections();
    void RemoveAllSelections();
    void NewSelection(int dimension);
    void RemoveSelection(int dimension);
    // Focuses the next selection of the dimension, wrapping around.
    void AlternateSelection(int dimension);
    bool ToggleSelectionAverage(int dimension);
    bool ToggleSelectionMedian(int dimension);
    bool ToggleSelectionModaValues(int dimension);
    bool ToggleSelectionStandardDeviation(int dimension);
    void SetCalculateDataFrequencies(bool flag);

    // The lists' clauses joined by " AND " (loAND) or " OR ", each separator followed by a
    // line feed, in parentheses; "" without lists; "0" when no selection holds a record.
    std::string GetWhereClause() const;

    int CurrentListIndex = -1;
    bool KeepItemsList = false;
    ENUM_logicOperations LogicOperation = loAND;
    // Kept for the views; no operation here reads them.
    bool SowAllSelectedDataAverage = false;
    bool ShowAllSelectedDataMedian = false;
    bool ShowAllSelectedDataStandardDeviation = false;
    bool ShowAllSelectedDataModaValues = false;

    // Stored only; no operation here calls it.
    TSetStatisticsListDrawingFunction SetStatisticsListDrawingFunction;
    TSelectionsControllerAddNewSelectionFunction SelectionsControllerAddNewSelectionFunction;
    TGetFocusedSelectionListFunction GetFocusedSelectionListFunction;

    // Setting one of these also sets it on every list (and the first two on every selection).
    const TDrawSelectionFunction& DrawSelectionFunction() const { return DrawSelection; }
    const TResizeSelectionFunction& ResizeSelectionFunction() const { return ResizeSelection; }
    const TAddNewSelectionFunction& AddNewSelectionFunction() const { return AddNewSelectionCallback; }
    const TSelectionOverWhichTheMouseIsFunction& SelectionOverWhichTheMouseIsFunction() const { return SelectionOverWhichTheMouseIs; }
    const TUpdateSelectionsListFunction& UpdateSelectionsListFunction() const { return UpdateSelectionsList; }
    void SetDrawSelectionFunction(const TDrawSelectionFunction& function);
    void SetResizeSelectionFunction(const TResizeSelectionFunction& function);
    void SetAddNewSelectionFunction(const TAddNewSelectionFunction& function);
    void SetSelectionOverWhichTheMouseIsFunction(const TSelectionOverWhichTheMouseIsFunction& function);
    void SetUpdateSelectionsListFunction(const TUpdateSelectionsListFunction& function);

private:
    // Everything the combination reads, folded into one number (FNV-1a).
    std::uint64_t InputsSignature() const;

    TPreProcessedData* DataValue = nullptr;
    // The list is computed again only when its inputs changed since it was last computed.
    bool ItemsCurrent = false;
    std::uint64_t ItemsSignature = 0;
    mutable std::uint64_t VersionSignature = 0;
    mutable std::uint64_t VersionValue = 1;
    std::vector<std::unique_ptr<TSelectionsList>> Items;
    TRecordList ItemsList;
    // The combination's bits (the rows listed), and per selection, in the order the lists
    // hold them, the rows it coloured at the last combination and in which colour; kept while
    // ColourStructure (the dataset, the operation and the selections) stays the same.
    std::vector<std::uint64_t> ResultBits;
    std::vector<std::vector<std::uint64_t>> ColourSources;
    std::vector<TOpenGLColor> SourceColours;
    std::uint64_t ColourStructure = 0;
    TDrawSelectionFunction DrawSelection;
    TResizeSelectionFunction ResizeSelection;
    TAddNewSelectionFunction AddNewSelectionCallback;
    TSelectionOverWhichTheMouseIsFunction SelectionOverWhichTheMouseIs;
    TUpdateSelectionsListFunction UpdateSelectionsList;
};
