#include "vis/SelectionsController.h"

#include <algorithm>

void TSelectionsController::BindData(TPreProcessedData* data)
{
    DataValue = data;
    Items.clear();
    ItemsList.clear();
    CurrentListIndex = -1;
    if (!data) return;
    for (int i = 0; i < data->NumberOfDimensions(); ++i) {
        auto list = std::make_unique<TSelectionsList>();
        list->SetSelectionDimensionIndex(i);
        Items.push_back(std::move(list));
    }
}

TSelectionsList* TSelectionsController::GetSelectionsList(int dimension) const
{
    if (dimension < 0 || dimension >= Count()) return nullptr;
    return Items[static_cast<std::size_t>(dimension)].get();
}

int TSelectionsController::NumberOfSelections() const
{
    int total = 0;
    for (const auto& list : Items) total += list->Count();
    return total;
}

TRecordList* TSelectionsController::ListOfItemsSatisfyingSelections()
{
    const int selections = NumberOfSelections();
    if (KeepItemsList && selections <= 0) return &ItemsList;
    if (!KeepItemsList && selections == 0) return nullptr;
    ComputeItemsSatisfyingSelections();
    return &ItemsList;
}

namespace {

// The selections of one dimension, flattened for the pass over the records.
struct TActiveDimension {
    const float* Values;
    std::size_t Cells;
    std::size_t First;  // range in the selection array
    std::size_t Last;
};

struct TActiveSelection {
    float Min;
    float Max;
    TOpenGLColor Color;
};

} // namespace

void TSelectionsController::ComputeItemsSatisfyingSelections()
{
    ItemsList.clear();
    KeepItemsList = false;
    if (!DataValue) return;

    // Dimensions without selections change nothing in the walk below, so only those with
    // selections are visited, in dimension order.
    std::vector<TActiveDimension> dimensions;
    std::vector<TActiveSelection> selections;
    const int lists = std::min(Count(), DataValue->NumberOfDimensions());
    for (int d = 0; d < lists; ++d) {
        const TSelectionsList* list = Items[static_cast<std::size_t>(d)].get();
        if (list->Count() == 0) continue;
        const TPreProcessedDimension* dimension = DataValue->GetDimension(d);
        const std::size_t first = selections.size();
        for (int s = 0; s < list->Count(); ++s) {
            const TSelectioner* selection = list->GetSelection(s);
            selections.push_back({selection->MinNormalized(), selection->MaxNormalized(), *selection->Color()});
        }
        dimensions.push_back({dimension->Values.data(), dimension->Values.size(), first, selections.size()});
    }

    const ENUM_logicOperations operation = LogicOperation;
    const TActiveDimension* dimensionsBegin = dimensions.data();
    const TActiveDimension* dimensionsEnd = dimensionsBegin + dimensions.size();
    const TActiveSelection* selectionArray = selections.data();
    for (TPreProcessedRecord* record : DataValue->ListOfPreprocessedRecords) {
        const auto row = static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index));
        bool selected = false;
        bool seen = false;
        for (const TActiveDimension* dimension = dimensionsBegin; dimension != dimensionsEnd; ++dimension) {
            if (row < dimension->Cells) {
                const float value = dimension->Values[row];
                for (std::size_t s = dimension->First; s < dimension->Last; ++s) {
                    const TActiveSelection& selection = selectionArray[s];
                    if (selection.Min <= value && value <= selection.Max) {
                        record->Color = selection.Color;
                        selected = true;
                        if (operation == loXOR) {
                            if (!seen) {
                                seen = true;
                            } else {
                                selected = false;
                                seen = false;
                            }
                        }
                        break;
                    }
                    if (operation == loAND) selected = false;
                }
            } else if (operation == loAND) {
                selected = false;  // a record without a cell here is in none of its selections
            }
            if (operation == loAND && !selected) break;
        }
        if (selected) ItemsList.push_back(record);
    }
}

bool TSelectionsController::ProcessSelectionEvent(ENUM_selectionEvents event, int x, int y)
{
    CurrentListIndex = GetFocusedSelectionList(x, y);
    TSelectionsList* list = GetSelectionsList(CurrentListIndex);
    if (!list) return false;
    const bool result = list->UpdateSelectionsList(event, x, y);
    if (list->Count() > 0) return result;
    if (DataValue) DataValue->ComputeFrequencies();
    CurrentListIndex = -1;
    return false;
}

int TSelectionsController::GetFocusedSelectionList(int x, int y)
{
    return GetFocusedSelectionListFunction ? GetFocusedSelectionListFunction(this, x, y) : -1;
}

void TSelectionsController::DrawSelections()
{
    for (auto& list : Items) list->DrawSelections();
}

void TSelectionsController::RemoveAllSelections()
{
    CurrentListIndex = -1;
    for (auto& list : Items) list->RemoveAll();
}

void TSelectionsController::NewSelection(int dimension)
{
    if (SelectionsControllerAddNewSelectionFunction) SelectionsControllerAddNewSelectionFunction(this, dimension);
}

void TSelectionsController::RemoveSelection(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    if (!list) return;
    list->RemoveFocused();
    if (list->Count() == 0) CurrentListIndex = -1;
}

void TSelectionsController::AlternateSelection(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    if (!list || list->FocusIndex() == -1) return;
    const int next = list->FocusIndex() + 1;
    list->SetFocus(next < list->Count() ? next : 0);
}

bool TSelectionsController::ToggleSelectionAverage(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    return list ? list->ToggleFocusedAverage() : false;
}

bool TSelectionsController::ToggleSelectionMedian(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    return list ? list->ToggleFocusedMedian() : false;
}

bool TSelectionsController::ToggleSelectionModaValues(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    return list ? list->ToggleFocusedModaValues() : false;
}

bool TSelectionsController::ToggleSelectionStandardDeviation(int dimension)
{
    TSelectionsList* list = GetSelectionsList(dimension);
    return list ? list->ToggleFocusedStandardDeviation() : false;
}

void TSelectionsController::SetCalculateDataFrequencies(bool flag)
{
    for (auto& list : Items) list->SetCalculateDataFrequencies(flag);
}

std::string TSelectionsController::GetWhereClause() const
{
    if (Items.empty()) return "";
    const std::string separator = LogicOperation == loAND ? " AND " : " OR ";
    std::string text = "(";
    bool any = false;
    for (const auto& list : Items) {
        const std::string clause = list->GetClause();
        if (clause == "0") continue;
        text += clause;
        text += separator;
        text += '\n';
        any = true;
    }
    // Without any clause there is no condition to put in parentheses: "0" holds for no record.
    if (!any) return "0";
    text.erase(text.size() - (separator.size() + 1));
    return text + ")";
}

void TSelectionsController::SetDrawSelectionFunction(const TDrawSelectionFunction& function)
{
    DrawSelection = function;
    for (auto& list : Items) list->SetDrawSelectionFunction(function);
}

void TSelectionsController::SetResizeSelectionFunction(const TResizeSelectionFunction& function)
{
    ResizeSelection = function;
    for (auto& list : Items) list->SetResizeSelectionFunction(function);
}

void TSelectionsController::SetAddNewSelectionFunction(const TAddNewSelectionFunction& function)
{
    AddNewSelectionCallback = function;
    for (auto& list : Items) list->AddNewSelectionFunction = function;
}

void TSelectionsController::SetSelectionOverWhichTheMouseIsFunction(const TSelectionOverWhichTheMouseIsFunction& function)
{
    SelectionOverWhichTheMouseIs = function;
    for (auto& list : Items) list->SelectionOverWhichTheMouseIsFunction = function;
}

void TSelectionsController::SetUpdateSelectionsListFunction(const TUpdateSelectionsListFunction& function)
{
    UpdateSelectionsList = function;
    for (auto& list : Items) list->UpdateSelectionsListFunction = function;
}
