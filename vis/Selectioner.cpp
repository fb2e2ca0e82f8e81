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
    // Counts are kept through the move only while something reads them.
    if (!Statistics->ShowStatisticsList() && !SetCalculateDataFrequencies) KeptCurrent = false;
    UpdateBits(true);
    RecalculateStatistics();
    if (SetCalculateDataFrequencies) CalculateDataFrequencies();
}

void TSelectioner::UpdateSelectedRecords() { UpdateBits(false); }

namespace {
// Beyond this many moves the kept sums are computed afresh, so rounding cannot pile up.
constexpr int kStepsBetweenCounts = 256;
} // namespace

void TSelectioner::UpdateBits(bool incremental)
{
    ItemsCurrent = false;
    if (!DataValue || SelectionDimensionIndexValue < 0 || SelectionDimensionIndexValue >= DataValue->NumberOfDimensions()) {
        BitsValue.clear();
        SelectedCount = 0;
        BitsGeneration = 0;
        KeptCurrent = false;
        return;
    }
    TPreProcessedDimension* dimension = DataValue->GetDimension(SelectionDimensionIndexValue);
    const auto [first, last] = dimension->RankRange(MinNormalizedValue, MaxNormalizedValue);
    const std::vector<std::uint32_t>& rows = dimension->SortedRows();
    const std::vector<std::uint32_t>& starts = dimension->RankStarts();
    const std::size_t words = (dimension->Count() + 63) / 64;
    const std::size_t selected = starts[last] - starts[first];
    const bool current = incremental && BitsGeneration == dimension->RankGeneration() && BitsValue.size() == words &&
                         FirstRank <= LastRank && LastRank < starts.size();
    if (current) {
        // The records between the old and the new lower bound, and between the old and the
        // new upper bound, change sides (a record in both ranges flips twice: it stays).
        const std::size_t flips = static_cast<std::size_t>(std::abs(static_cast<long long>(starts[first]) - starts[FirstRank]) +
                                                           std::abs(static_cast<long long>(starts[last]) - starts[LastRank]));
        if (flips <= selected + words) {
            std::uint64_t* const bits = BitsValue.data();
            const std::uint32_t lowFrom = std::min(first, FirstRank), lowTo = std::max(first, FirstRank);
            const std::uint32_t highFrom = std::min(last, LastRank), highTo = std::max(last, LastRank);
            for (const auto& [fromRank, toRank] : {std::pair{lowFrom, lowTo}, std::pair{highFrom, highTo}})
                for (std::uint32_t k = starts[fromRank], end = starts[toRank]; k < end; ++k)
                    bits[rows[k] >> 6] ^= std::uint64_t{1} << (rows[k] & 63);
            // Each flipped record moves the kept counts of every dimension by one, when that
            // is cheaper than counting the selected records afresh (a short move) and the two
            // ranges of flipped records are apart (none flipped twice).
            const bool apart = lowTo <= highFrom || highTo <= lowFrom;
            if (KeptCurrent && apart && flips * 8 < selected && ++StepsSinceCount < kStepsBetweenCounts &&
                Kept.size() == static_cast<std::size_t>(DataValue->NumberOfDimensions())) {
                for (int d = 0; d < DataValue->NumberOfDimensions() && KeptCurrent; ++d) {
                    const TPreProcessedDimension* column = DataValue->GetDimension(d);
                    TKeptCounts& kept = Kept[static_cast<std::size_t>(d)];
                    if (kept.Counts.empty()) continue;
                    if (!column->RanksCurrent() || kept.Generation != column->RankGeneration()) {
                        KeptCurrent = false;
                        break;
                    }
                    const std::uint32_t* ranks = column->Ranks.data();
                    const float* values = column->Values.data();
                    const std::size_t cells = column->Ranks.size();
                    std::uint32_t* counts = kept.Counts.data();
                    double sum = kept.Sum, squares = kept.SumOfSquares;
                    constexpr std::uint32_t kAhead = 16;  // rows are scattered: fetch a few ahead
                    for (const auto& [fromRank, toRank] : {std::pair{lowFrom, lowTo}, std::pair{highFrom, highTo}}) {
                        const std::uint32_t begin = starts[fromRank], end = starts[toRank];
                        for (std::uint32_t k = begin; k < end; ++k) {
                            if (k + kAhead < end && rows[k + kAhead] < cells) {
                                __builtin_prefetch(&ranks[rows[k + kAhead]]);
                                __builtin_prefetch(&values[rows[k + kAhead]]);
                            }
                            const std::uint32_t row = rows[k];
                            if (row >= cells) continue;
                            const double v = values[row];
                            if ((bits[row >> 6] >> (row & 63)) & 1u) {
                                ++counts[ranks[row]];
                                sum += v;
                                squares += v * v;
                            } else {
                                --counts[ranks[row]];
                                sum -= v;
                                squares -= v * v;
                            }
                        }
                    }
                    kept.Sum = sum;
                    kept.SumOfSquares = squares;
                }
            } else {
                KeptCurrent = false;
            }
            FirstRank = first;
            LastRank = last;
            SelectedCount = selected;
            return;
        }
    }
    KeptCurrent = false;
    BitsValue.assign(words, 0);
    std::uint64_t* const bits = BitsValue.data();
    for (std::uint32_t k = starts[first], end = starts[last]; k < end; ++k) bits[rows[k] >> 6] |= std::uint64_t{1} << (rows[k] & 63);
    FirstRank = first;
    LastRank = last;
    SelectedCount = selected;
    BitsGeneration = dimension->RankGeneration();
}

std::vector<std::uint32_t> TSelectioner::SelectedRows() const
{
    std::vector<std::uint32_t> rows;
    rows.reserve(SelectedCount);
    ForEachRow([&](std::uint32_t row) { rows.push_back(row); });
    return rows;
}

void TSelectioner::EnsureCounts()
{
    const int dimensions = DataValue ? DataValue->NumberOfDimensions() : 0;
    if (KeptCurrent && Kept.size() == static_cast<std::size_t>(dimensions)) {
        bool current = true;
        for (int d = 0; d < dimensions && current; ++d) {
            const TPreProcessedDimension* column = DataValue->GetDimension(d);
            const TKeptCounts& kept = Kept[static_cast<std::size_t>(d)];
            current = kept.Counts.empty() || (column->RanksCurrent() && kept.Generation == column->RankGeneration() &&
                                              kept.Counts.size() == column->DistinctCount());
        }
        if (current) return;
    }
    Kept.assign(static_cast<std::size_t>(dimensions), {});
    const std::vector<std::uint32_t> rows = SelectedRows();
    for (int d = 0; d < dimensions; ++d) {
        TPreProcessedDimension* column = DataValue->GetDimension(d);
        if (!column->RanksCurrent()) column->ComputeRanks();
        const std::size_t cells = column->Ranks.size();
        // A dimension of (nearly) all distinct values would need as many counts as cells:
        // its statistics and frequencies are counted afresh each time instead.
        if (column->DistinctCount() > std::max<std::size_t>(cells / 4, 65536)) continue;
        TKeptCounts& kept = Kept[static_cast<std::size_t>(d)];
        kept.Counts.assign(column->DistinctCount(), 0);
        kept.Generation = column->RankGeneration();
        const std::uint32_t* ranks = column->Ranks.data();
        const float* values = column->Values.data();
        double sum = 0.0, squares = 0.0;
        for (const std::uint32_t row : rows) {
            if (row >= cells) continue;
            ++kept.Counts[ranks[row]];
            const double v = values[row];
            sum += v;
            squares += v * v;
        }
        kept.Sum = sum;
        kept.SumOfSquares = squares;
    }
    KeptCurrent = true;
    StepsSinceCount = 0;
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
    EnsureCounts();
    const std::vector<std::uint32_t> rows = SelectedRows();
    for (int d = 0; d < DataValue->NumberOfDimensions(); ++d) {
        const TKeptCounts& kept = Kept[static_cast<std::size_t>(d)];
        if (kept.Counts.empty()) {
            DataValue->ComputeFrequenciesOfRows(d, rows);
        } else {
            DataValue->GetDimension(d)->SetFrequenciesFromRankCounts(rows, kept.Counts.data());
            DataValue->FrequencyValuesTimeStamp = NewChangeStamp();
        }
    }
}

void TSelectioner::RecalculateStatistics()
{
    if (!Statistics->ShowStatisticsList() || !DataValue) return;
    EnsureCounts();
    const int dimensions = std::min(DataValue->NumberOfDimensions(), Statistics->Count());
    std::vector<std::uint32_t> rows;  // the rows of the selected records, resolved once, when needed
    bool haveRows = false;
    for (int d = 0; d < dimensions; ++d) {
        const TKeptCounts& kept = Kept[static_cast<std::size_t>(d)];
        if (!kept.Counts.empty()) {
            Statistics->GetStatistics(d)->SetFromRankCounts(*DataValue->GetDimension(d), kept.Counts.data(), SelectedCount,
                                                            kept.Sum, kept.SumOfSquares);
            continue;
        }
        if (!haveRows) {
            rows = SelectedRows();
            haveRows = true;
        }
        Statistics->GetStatistics(d)->RecalculateValues(*DataValue->GetDimension(d), rows);
    }
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
