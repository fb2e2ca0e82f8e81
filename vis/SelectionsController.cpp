#include "vis/SelectionsController.h"

#include <algorithm>
#include <array>
#include <cstring>

void TSelectionsController::BindData(TPreProcessedData* data)
{
    DataValue = data;
    Items.clear();
    ItemsList.clear();
    ItemsCurrent = false;
    ++VersionValue;
    CurrentListIndex = -1;
    if (!data) return;
    for (int i = 0; i < data->NumberOfDimensions(); ++i) {
        auto list = std::make_unique<TSelectionsList>();
        list->SetSelectionDimensionIndex(i);
        list->NewSelectionColorFunction = [this] { return NewSelectionColor(); };
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

TOpenGLColor TSelectionsController::NewSelectionColor() const
{
    if (Items.empty()) return TOpenGLColor(0, 1, 0);
    TSelectionsList& palette = *Items.front();  // every list holds the same palette
    std::array<int, TSelectionsList::PaletteSize> wearers{};
    for (const auto& list : Items)
        for (int i = 0; i < list->Count(); ++i)
            for (int k = 1; k < TSelectionsList::PaletteSize; ++k)
                if (*list->GetSelection(i)->Color() == *palette.PaletteColor(k)) ++wearers[std::size_t(k)];
    int chosen = 1;
    for (int k = 2; k < TSelectionsList::PaletteSize; ++k)
        if (wearers[std::size_t(k)] < wearers[std::size_t(chosen)]) chosen = k;
    return *palette.PaletteColor(chosen);
}

TRecordList* TSelectionsController::ListOfItemsSatisfyingSelections()
{
    const int selections = NumberOfSelections();
    if (KeepItemsList && selections <= 0) return &ItemsList;
    if (!KeepItemsList && selections == 0) return nullptr;
    if (!KeepItemsList && ItemsCurrent && ItemsSignature == InputsSignature()) return &ItemsList;
    ComputeItemsSatisfyingSelections();
    return &ItemsList;
}

namespace {
void Fold(std::uint64_t& hash, const void* bytes, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ull;
    }
}
template <typename T> void Fold(std::uint64_t& hash, const T& value) { Fold(hash, &value, sizeof value); }
} // namespace

std::uint64_t TSelectionsController::InputsSignature() const
{
    std::uint64_t hash = 14695981039346656037ull;
    Fold(hash, DataValue);
    if (DataValue) {
        Fold(hash, DataValue->ListOfPreprocessedRecords.size());
        Fold(hash, DataValue->RecordOrderStamp);
    }
    Fold(hash, LogicOperation);
    Fold(hash, KeepItemsList);
    for (std::size_t d = 0; d < Items.size(); ++d) {
        const TSelectionsList* list = Items[d].get();
        if (list->Count() == 0) continue;
        Fold(hash, d);
        for (int s = 0; s < list->Count(); ++s) {
            const TSelectioner* selection = list->GetSelection(s);
            Fold(hash, selection->MinNormalized());
            Fold(hash, selection->MaxNormalized());
            Fold(hash, *selection->Color());
        }
        Fold(hash, ~std::size_t{0});  // ends the list
    }
    return hash;
}

std::uint64_t TSelectionsController::Version() const
{
    const std::uint64_t signature = InputsSignature();
    if (signature != VersionSignature) {
        VersionSignature = signature;
        ++VersionValue;
    }
    return VersionValue;
}

namespace {

// The selections of one dimension, flattened for the pass over the records.
struct TActiveDimension {
    const float* Values;
    std::size_t Cells;
    int First;  // range in the selection array
    int Last;
};

struct TActiveSelection {
    float Min;
    float Max;
    TOpenGLColor Color;
};

// The walk over one record, step by step: for each dimension with selections, the first
// selection containing the value recolours the record; loAND stops at the first dimension
// without a hit, loXOR lists records hit in an odd number of dimensions.
bool WalkRecord(TPreProcessedRecord* record, std::size_t row, ENUM_logicOperations operation,
                const std::vector<TActiveDimension>& dimensions, const std::vector<TActiveSelection>& selections)
{
    bool selected = false;
    bool seen = false;
    for (const TActiveDimension& dimension : dimensions) {
        if (row < dimension.Cells) {
            const float value = dimension.Values[row];
            for (int s = dimension.First; s < dimension.Last; ++s) {
                const TActiveSelection& selection = selections[static_cast<std::size_t>(s)];
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
    return selected;
}

// The same walk without data-dependent branches, for records that have a cell in every
// dimension with selections: per dimension the index of the first selection hit (or -1),
// folded into the state of the operation; the colour of the last counted hit is written
// once. Brushing a million records makes one pass of this per paint.
// Bitwise equality of two colours, without floating-point comparisons.
inline bool SameBits(const TOpenGLColor& a, const TOpenGLColor& b)
{
    static_assert(sizeof(TOpenGLColor) == 3 * sizeof(float));
    std::uint64_t a12, b12;
    std::uint32_t a3, b3;
    std::memcpy(&a12, &a.C1, sizeof a12);
    std::memcpy(&b12, &b.C1, sizeof b12);
    std::memcpy(&a3, &a.C3, sizeof a3);
    std::memcpy(&b3, &b.C3, sizeof b3);
    return ((a12 ^ b12) | (a3 ^ b3)) == 0;
}

template <ENUM_logicOperations Operation, bool OneSelectionEach>
std::size_t FastPass(const TRecordList& records, std::size_t commonCells, TPreProcessedRecord** out,
                     const std::vector<TActiveDimension>& dimensions, const std::vector<TActiveSelection>& selections,
                     ENUM_logicOperations operation)
{
    const TActiveDimension* dimensionsBegin = dimensions.data();
    const TActiveDimension* dimensionsEnd = dimensionsBegin + dimensions.size();
    const TActiveSelection* selectionArray = selections.data();
    std::size_t count = 0;
    for (TPreProcessedRecord* record : records) {
        const auto row = static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index));
        if (row >= commonCells) {
            out[count] = record;
            count += WalkRecord(record, row, operation, dimensions, selections);
            continue;
        }
        // Masks and integer arithmetic rather than conditionals, so the compiler has no
        // branch to make of them: -1 when true, 0 when false.
        int state = Operation == loAND ? -1 : 0;  // AND: still alive; OR: any hit; XOR: parity
        int colour = -1;
        for (const TActiveDimension* dimension = dimensionsBegin; dimension != dimensionsEnd; ++dimension) {
            const float value = dimension->Values[row];
            int hit = -1;
            if constexpr (OneSelectionEach) {
                const int s = dimension->First;
                const TActiveSelection& selection = selectionArray[s];
                const int inside = -(static_cast<int>(selection.Min <= value) & static_cast<int>(value <= selection.Max));
                hit = (s & inside) | ~inside;
            } else {
                for (int s = dimension->Last - 1; s >= dimension->First; --s) {
                    const TActiveSelection& selection = selectionArray[s];
                    const int inside = -(static_cast<int>(selection.Min <= value) & static_cast<int>(value <= selection.Max));
                    hit = (s & inside) | (hit & ~inside);
                }
            }
            const int isHit = ~(hit >> 31);  // -1 when some selection holds the value
            int counted;
            if constexpr (Operation == loAND) {
                state &= isHit;
                counted = state;
            } else if constexpr (Operation == loOR) {
                state |= isHit;
                counted = isHit;
            } else {
                state ^= isHit;
                counted = isHit;
            }
            colour = (hit & counted) | (colour & ~counted);
        }
        // Written only when it changes: repeated paints then leave the records untouched,
        // and the test is branch-free until a colour really differs.
        // Without a hit the record is compared with itself.
        const TOpenGLColor& current = record->Color;
        const int none = colour >> 31;  // -1 without a hit
        const auto pick = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(none));
        const auto hitColour = reinterpret_cast<std::uintptr_t>(&selectionArray[colour & ~none].Color);
        const auto ownColour = reinterpret_cast<std::uintptr_t>(&current);
        const TOpenGLColor& target = *reinterpret_cast<const TOpenGLColor*>((hitColour & ~pick) | (ownColour & pick));
        if (!SameBits(current, target)) record->Color = target;
        out[count] = record;
        count += static_cast<std::size_t>(state & 1);
    }
    return count;
}

} // namespace

void TSelectionsController::ComputeItemsSatisfyingSelections()
{
    ItemsList.clear();
    KeepItemsList = false;
    ItemsCurrent = true;
    ItemsSignature = InputsSignature();
    if (!DataValue) return;

    // Dimensions without selections change nothing in the walk, so only those with
    // selections are visited, in dimension order.
    std::vector<TActiveDimension> dimensions;
    std::vector<TActiveSelection> selections;
    std::size_t commonCells = ~std::size_t{0};
    const int lists = std::min(Count(), DataValue->NumberOfDimensions());
    for (int d = 0; d < lists; ++d) {
        const TSelectionsList* list = Items[static_cast<std::size_t>(d)].get();
        if (list->Count() == 0) continue;
        const TPreProcessedDimension* dimension = DataValue->GetDimension(d);
        const int first = static_cast<int>(selections.size());
        for (int s = 0; s < list->Count(); ++s) {
            const TSelectioner* selection = list->GetSelection(s);
            selections.push_back({selection->MinNormalized(), selection->MaxNormalized(), *selection->Color()});
        }
        dimensions.push_back({dimension->Values.data(), dimension->Values.size(), first, static_cast<int>(selections.size())});
        commonCells = std::min(commonCells, dimension->Values.size());
    }

    if (dimensions.empty()) return;  // no selection holds any record

    const TRecordList& records = DataValue->ListOfPreprocessedRecords;
    ItemsList.resize(records.size());
    TPreProcessedRecord** out = ItemsList.data();
    std::size_t count = 0;
    const bool oneEach = selections.size() == dimensions.size();
    switch (LogicOperation) {
    case loAND:
        count = oneEach ? FastPass<loAND, true>(records, commonCells, out, dimensions, selections, loAND)
                        : FastPass<loAND, false>(records, commonCells, out, dimensions, selections, loAND);
        break;
    case loOR:
        count = oneEach ? FastPass<loOR, true>(records, commonCells, out, dimensions, selections, loOR)
                        : FastPass<loOR, false>(records, commonCells, out, dimensions, selections, loOR);
        break;
    case loXOR:
        count = oneEach ? FastPass<loXOR, true>(records, commonCells, out, dimensions, selections, loXOR)
                        : FastPass<loXOR, false>(records, commonCells, out, dimensions, selections, loXOR);
        break;
    default:
        // An operation outside the three: the step-by-step walk decides as it would.
        for (TPreProcessedRecord* record : records) {
            const auto row = static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index));
            out[count] = record;
            count += WalkRecord(record, row, LogicOperation, dimensions, selections);
        }
        break;
    }
    ItemsList.resize(count);
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
