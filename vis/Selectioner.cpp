#include "vis/Selectioner.h"

#include <algorithm>
#include <cmath>

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
    UpdateSelectedRecords();
    RecalculateStatistics();
    if (SetCalculateDataFrequencies) CalculateDataFrequencies();
}

void TSelectioner::UpdateSelectedRecords()
{
    Items.clear();  // keeps the capacity: a drag refills the list on every move
    if (!DataValue || SelectionDimensionIndexValue < 0 || SelectionDimensionIndexValue >= DataValue->NumberOfDimensions())
        return;
    const TPreProcessedDimension* dimension = DataValue->GetDimension(SelectionDimensionIndexValue);
    const float* values = dimension->Values.data();
    const std::size_t cells = dimension->Values.size();
    const float low = MinNormalizedValue;
    const float high = MaxNormalizedValue;
    const TRecordList& records = DataValue->ListOfPreprocessedRecords;
    // Branch-free: every record is written at the end of a scratch list and kept only when
    // inside, since a mispredicted branch per record costs more than the store. The scratch
    // list is shared, so a selection holds only as much memory as its records need.
    static TRecordList scratch;
    if (scratch.size() < records.size()) scratch.resize(records.size());
    TPreProcessedRecord** out = scratch.data();
    std::size_t count = 0;
    for (TPreProcessedRecord* record : records) {
        const auto row = static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index));
        const float value = row < cells ? values[row] : NAN;
        out[count] = record;
        count += (low <= value) & (value <= high);
    }
    Items.assign(out, out + count);
}

void TSelectioner::CalculateDataFrequencies()
{
    if (!SetCalculateDataFrequencies || Items.empty() || !DataValue) return;
    for (int d = 0; d < DataValue->NumberOfDimensions(); ++d) DataValue->ComputeFrequencies(d, Items);
}

void TSelectioner::RecalculateStatistics()
{
    if (!Statistics->ShowStatisticsList() || !DataValue) return;
    const int dimensions = std::min(DataValue->NumberOfDimensions(), Statistics->Count());
    // The rows of the selected records, resolved once for every dimension.
    std::vector<std::uint32_t> rows(Items.size());
    for (std::size_t k = 0; k < Items.size(); ++k) rows[k] = static_cast<std::uint32_t>(Items[k]->Index);
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
    if (index < 0 || index >= Count()) return nullptr;
    return Items[static_cast<std::size_t>(index)];
}

std::string TSelectioner::GetClause() const
{
    if (Items.empty()) return "0";
    if (DataValue && SelectionDimensionIndexValue >= 0 && SelectionDimensionIndexValue < DataValue->NumberOfDimensions()) {
        const int d = SelectionDimensionIndexValue;
        const TPreProcessedDimension* dimension = DataValue->GetDimension(d);
        float low = MinValue, high = MaxValue;
        if (!dimension->Categories.empty()) {
            // A text column names the first and last categories held inside the bounds (the
            // nearest category to a bound may lie outside): the least and greatest values
            // that pass the same test UpdateSelectedRecords applies.
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
