#include "vis/Selectioner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TSelectioner::TSelectioner() : Statistics(std::make_unique<TStatisticsList>()) {}

void TSelectioner::Attach(TPreProcessedData* data, int dimension)
{
    DataValue = data;
    SelectionDimensionIndexValue = dimension;
    Statistics->CalculateStatistics(data, false);
}

void TSelectioner::SetMaxNormalized(float value)
{
    if (value == MaxNormalizedValue) return;
    MaxNormalizedValue = value;
    BoundChanged();
}

void TSelectioner::SetMinNormalized(float value)
{
    if (value == MinNormalizedValue) return;
    MinNormalizedValue = value;
    BoundChanged();
}

void TSelectioner::SetNormalizedRange(float minimum, float maximum)
{
    if (minimum == MinNormalizedValue && maximum == MaxNormalizedValue) return;
    MinNormalizedValue = minimum;
    MaxNormalizedValue = maximum;
    BoundChanged();
}

void TSelectioner::BoundChanged()
{
    UpdateBits(true);
    RecalculateStatistics();
    if (SetCalculateDataFrequencies) CalculateDataFrequencies();
}

void TSelectioner::UpdateSelectedRecords() { UpdateBits(false); }

void TSelectioner::UpdateBits(bool incremental)
{
    ItemsCurrent = false;
    if (!DataValue || SelectionDimensionIndexValue < 0 || SelectionDimensionIndexValue >= DataValue->NumberOfDimensions()) {
        BitsValue.clear();
        SelectedCount = 0;
        BitsGeneration = 0;
        return;
    }
    TPreProcessedDimension* dimension = DataValue->GetDimension(SelectionDimensionIndexValue);
    const auto [first, last] = dimension->RankRange(MinNormalizedValue, MaxNormalizedValue);
    const std::vector<std::uint32_t>& rows = dimension->SortedRows();
    const std::vector<std::uint32_t>& starts = dimension->RankStarts();
    const std::size_t words = (dimension->Count() + 63) / 64;
    std::uint64_t* bits = nullptr;
    auto flip = [&](std::uint32_t fromRank, std::uint32_t toRank) {
        for (std::uint32_t k = starts[fromRank], end = starts[toRank]; k < end; ++k) {
            const std::uint32_t row = rows[k];
            bits[row >> 6] ^= std::uint64_t{1} << (row & 63);
        }
    };
    const std::size_t selected = starts[last] - starts[first];
    const bool current = incremental && BitsGeneration == dimension->RankGeneration() && BitsValue.size() == words &&
                         FirstRank <= LastRank && LastRank < starts.size();
    if (current) {
        // The records between the old and the new lower bound, and between the old and the
        // new upper bound, change sides (a record in both ranges flips twice: it stays).
        const std::size_t flips = static_cast<std::size_t>(std::abs(static_cast<long long>(starts[first]) - starts[FirstRank]) +
                                                           std::abs(static_cast<long long>(starts[last]) - starts[LastRank]));
        if (flips <= selected + words) {
            bits = BitsValue.data();
            flip(std::min(first, FirstRank), std::max(first, FirstRank));
            flip(std::min(last, LastRank), std::max(last, LastRank));
            FirstRank = first;
            LastRank = last;
            SelectedCount = selected;
            return;
        }
    }
    BitsValue.assign(words, 0);
    bits = BitsValue.data();
    flip(first, last);
    FirstRank = first;
    LastRank = last;
    SelectedCount = selected;
    BitsGeneration = dimension->RankGeneration();
}

template <class Visit> void TSelectioner::ForEachRow(Visit visit) const
{
    for (std::size_t w = 0; w < BitsValue.size(); ++w)
        for (std::uint64_t word = BitsValue[w]; word != 0; word &= word - 1)
            visit(static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(word))));
}

const TRecordList& TSelectioner::Records() const
{
    const std::uint64_t order = DataValue ? DataValue->RecordOrderStamp : 0;
    if (ItemsCurrent && ItemsOrderStamp == order) return Items;
    Items.clear();
    if (DataValue) {
        Items.reserve(SelectedCount);
        if (DataValue->RecordsInStorageOrder()) {
            const TRecordList& records = DataValue->ListOfPreprocessedRecords;
            ForEachRow([&](std::uint32_t row) {
                if (row < records.size()) Items.push_back(records[row]);
            });
        } else {
            for (TPreProcessedRecord* record : DataValue->ListOfPreprocessedRecords)
                if (record->Index >= 0 && Holds(static_cast<std::uint32_t>(record->Index))) Items.push_back(record);
        }
    }
    ItemsCurrent = true;
    ItemsOrderStamp = order;
    return Items;
}

void TSelectioner::CalculateDataFrequencies()
{
    if (!SetCalculateDataFrequencies || SelectedCount == 0 || !DataValue) return;
    std::vector<std::uint32_t> rows;
    rows.reserve(SelectedCount);
    ForEachRow([&](std::uint32_t row) { rows.push_back(row); });
    for (int d = 0; d < DataValue->NumberOfDimensions(); ++d) DataValue->ComputeFrequenciesOfRows(d, rows);
}

void TSelectioner::RecalculateStatistics()
{
    if (!Statistics->ShowStatisticsList() || !DataValue) return;
    const int dimensions = std::min(DataValue->NumberOfDimensions(), Statistics->Count());
    // The rows of the selected records, resolved once for every dimension.
    std::vector<std::uint32_t> rows;
    rows.reserve(SelectedCount);
    ForEachRow([&](std::uint32_t row) { rows.push_back(row); });
    for (int d = 0; d < dimensions; ++d) Statistics->GetStatistics(d)->RecalculateValues(*DataValue->GetDimension(d), rows);
}

bool TSelectioner::ToggleAverage()
{
    const bool on = Statistics->ToggleAverage(-1);
    if (on) RecalculateStatistics();
    return on;
}

bool TSelectioner::ToggleMedian()
{
    const bool on = Statistics->ToggleMedian(-1);
    if (on) RecalculateStatistics();
    return on;
}

bool TSelectioner::ToggleModaValues()
{
    const bool on = Statistics->ToggleModaValues(-1);
    if (on) RecalculateStatistics();
    return on;
}

bool TSelectioner::ToggleStandardDeviation()
{
    const bool on = Statistics->ToggleStandardDeviation(-1);
    if (on) RecalculateStatistics();
    return on;
}

void TSelectioner::Draw()
{
    if (DrawSelectionFunction) DrawSelectionFunction(this);
    if (Statistics->ShowStatisticsList()) Statistics->DrawStatistics();
}

void TSelectioner::Resize(int x, int y)
{
    if (ResizeSelectionFunction) ResizeSelectionFunction(this, x, y);
}

TPreProcessedRecord* TSelectioner::GetRecord(int index) const
{
    const TRecordList& records = Records();
    if (index < 0 || static_cast<std::size_t>(index) >= records.size()) return nullptr;
    return records[static_cast<std::size_t>(index)];
}

std::string TSelectioner::GetClause() const
{
    if (SelectedCount == 0) return "0";
    if (DataValue && SelectionDimensionIndexValue >= 0 && SelectionDimensionIndexValue < DataValue->NumberOfDimensions()) {
        const int d = SelectionDimensionIndexValue;
        const TPreProcessedDimension* dimension = DataValue->GetDimension(d);
        float low = MinValue, high = MaxValue;
        if (!dimension->Categories.empty()) {
            // A text column names the first and last categories held inside the bounds (the
            // nearest category to a bound may lie outside): the least and greatest values v
            // with min <= v <= max, the records the selection holds.
            float first = INFINITY, last = -INFINITY;
            for (const float value : dimension->Values)
                if (MinNormalizedValue <= value && value <= MaxNormalizedValue) {
                    first = std::min(first, value);
                    last = std::max(last, value);
                }
            if (first > last) return "0";
            low = dimension->Denormalise(first);
            high = dimension->Denormalise(last);
        }
        return "(" + DataValue->ValueText(d, low) + " <= " + DataValue->GetDimensionName(d) + " <= " +
               DataValue->ValueText(d, high) + ")";
    }
    return "(" + FormatFloat("0.##", MinValue) + " <=  <= " + FormatFloat("0.##", MaxValue) + ")";
}
