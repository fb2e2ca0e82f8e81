#include "vis/SelectionsController.h"

#include <algorithm>
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
    std::vector<const TSelectionsList*> active;
    std::size_t total = 0;
    const int lists = std::min(Count(), DataValue->NumberOfDimensions());
    for (int d = 0; d < lists; ++d) {
        const TSelectionsList* list = Items[static_cast<std::size_t>(d)].get();
        if (list->Count() == 0) continue;
        active.push_back(list);
        total += static_cast<std::size_t>(list->Count());
    }
    if (active.empty()) return;  // no selection holds any record

    const TRecordList& records = DataValue->ListOfPreprocessedRecords;
    if (LogicOperation != loAND && LogicOperation != loOR && LogicOperation != loXOR) {
        // An operation outside the three: the step-by-step walk decides as it would.
        std::vector<TActiveDimension> dimensions;
        std::vector<TActiveSelection> selections;
        for (const TSelectionsList* list : active) {
            const TPreProcessedDimension* dimension = DataValue->GetDimension(list->SelectionDimensionIndex());
            const int first = static_cast<int>(selections.size());
            for (int s = 0; s < list->Count(); ++s) {
                const TSelectioner* selection = list->GetSelection(s);
                selections.push_back({selection->MinNormalized(), selection->MaxNormalized(), *selection->Color()});
            }
            dimensions.push_back({dimension->Values.data(), dimension->Values.size(), first, static_cast<int>(selections.size())});
        }
        for (TPreProcessedRecord* record : records)
            if (WalkRecord(record, static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index)), LogicOperation,
                           dimensions, selections))
                ItemsList.push_back(record);
        ColourStructure = 0;  // the colour bookkeeping no longer describes the records
        return;
    }

    // The selections' bit sets, combined word by word. Per word: h(i) = the rows some
    // selection of active dimension i holds, f(g) = the rows selection g is the first of its
    // list to hold. A record takes its colour from the last dimension that is examined and
    // hits: with loAND the dimensions are examined while every earlier one hit.
    const std::size_t rows = records.size();
    const std::size_t words = (rows + 63) / 64;
    std::vector<const std::vector<std::uint64_t>*> bits;
    std::vector<TOpenGLColor> colours;
    std::vector<std::size_t> firstOf;  // first selection of each active dimension, then the total
    bits.reserve(total);
    std::uint64_t structure = 14695981039346656037ull;
    Fold(structure, DataValue);
    Fold(structure, rows);
    Fold(structure, LogicOperation);
    for (const TSelectionsList* list : active) {
        firstOf.push_back(bits.size());
        for (int s = 0; s < list->Count(); ++s) {
            const TSelectioner* selection = list->GetSelection(s);
            bits.push_back(&selection->Bits());
            colours.push_back(*selection->Color());
            Fold(structure, selection);
        }
        Fold(structure, ~std::size_t{0});
    }
    firstOf.push_back(bits.size());

    // Colours: a record is written only when it changes hands (another selection colours it
    // now) or its selection's colour changed, since every record a selection coloured last
    // time still holds that colour. Anything else changed (the selections, the operation, the
    // dataset) and every record a selection holds is written again.
    if (structure != ColourStructure || ColourSources.size() != total) {
        ColourSources.assign(total, {});
        SourceColours.assign(total, TOpenGLColor());
    }
    std::vector<char> recolour(total, 0);
    for (std::size_t g = 0; g < total; ++g) {
        std::vector<std::uint64_t>& source = ColourSources[g];
        if (source.size() != words) {
            source.assign(words, 0);
            recolour[g] = 1;
        }
        if (!(SourceColours[g] == colours[g])) recolour[g] = 1;
        SourceColours[g] = colours[g];
    }
    ColourStructure = structure;

    TPreProcessedRecord* const storage = DataValue->RecordByIndex(0);
    const std::size_t dimensions = active.size();
    std::vector<std::uint64_t> hit(dimensions), first(total), examined(dimensions + 1);
    ResultBits.assign(words, 0);
    const ENUM_logicOperations operation = LogicOperation;
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint64_t valid = w + 1 < words || rows % 64 == 0 ? ~std::uint64_t{0} : (std::uint64_t{1} << (rows % 64)) - 1;
        for (std::size_t i = 0; i < dimensions; ++i) {
            std::uint64_t any = 0;
            for (std::size_t g = firstOf[i]; g < firstOf[i + 1]; ++g) {
                const std::vector<std::uint64_t>& set = *bits[g];
                const std::uint64_t word = w < set.size() ? set[w] & valid : 0;
                first[g] = word & ~any;
                any |= word;
            }
            hit[i] = any;
        }
        std::uint64_t result = 0;
        if (operation == loAND) {
            // examined[i]: the rows that hit in every dimension before i.
            examined[0] = valid;
            for (std::size_t i = 0; i < dimensions; ++i) examined[i + 1] = examined[i] & hit[i];
            result = examined[dimensions];
            for (std::size_t i = 0; i < dimensions; ++i) {
                const std::uint64_t colouredHere = examined[i + 1] & ~(i + 1 < dimensions ? examined[i + 2] : 0);
                for (std::size_t g = firstOf[i]; g < firstOf[i + 1]; ++g) first[g] &= colouredHere;
            }
        } else {
            std::uint64_t later = 0;
            for (std::size_t i = dimensions; i-- > 0;) {
                for (std::size_t g = firstOf[i]; g < firstOf[i + 1]; ++g) first[g] &= ~later;
                later |= hit[i];
                result = operation == loOR ? result | hit[i] : result ^ hit[i];
            }
        }
        ResultBits[w] = result;
        for (std::size_t g = 0; g < total; ++g) {
            std::uint64_t& old = ColourSources[g][w];
            std::uint64_t write = recolour[g] ? first[g] : first[g] & ~old;
            old = first[g];
            for (; write != 0; write &= write - 1)
                storage[w * 64 + static_cast<std::size_t>(__builtin_ctzll(write))].Color = colours[g];
        }
    }

    // The records listed, in the order of the record list.
    if (DataValue->RecordsInStorageOrder()) {
        std::size_t count = 0;
        for (const std::uint64_t word : ResultBits) count += static_cast<std::size_t>(__builtin_popcountll(word));
        ItemsList.resize(count);
        TPreProcessedRecord** out = ItemsList.data();
        for (std::size_t w = 0; w < words; ++w)
            for (std::uint64_t word = ResultBits[w]; word != 0; word &= word - 1)
                *out++ = records[w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))];
    } else {
        for (TPreProcessedRecord* record : records) {
            const auto row = static_cast<std::uint32_t>(record->Index);
            if (row < rows && ((ResultBits[row >> 6] >> (row & 63)) & 1u)) ItemsList.push_back(record);
        }
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
