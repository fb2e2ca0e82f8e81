// Datasets built from others (pipelines, compositions), frequencies over a set of records,
// relevance, record order and the time window.
#include <algorithm>
#include <cmath>

#include "data/PreProcessedData.h"

void TPreProcessedData::BuildSubset(const TRecordList& records, const TPreProcessedData* parent, bool fullDomain)
{
    Clear();
    if (!parent) return;
    const std::size_t count = records.size();
    for (int i = 0; i < parent->NumberOfDimensions(); ++i) {
        const TPreProcessedDimension* source = parent->GetDimension(i);
        TPreProcessedDimension* dimension = AddDimension(source->DimensionName);
        dimension->IsString = source->IsString;
        dimension->Categories = source->Categories;
        dimension->Values.reserve(count);
        if (fullDomain) {
            // The child keeps the parent's range, so its values are the parent's normalised
            // values themselves (no round trip through the raw units and back).
            for (const TPreProcessedRecord* record : records) dimension->AddValue(source->Values[record->Index]);
            dimension->SetHighLow(source->HighValue, source->LowValue);
            dimension->ValueRange = source->ValueRange;
            dimension->Normalised = true;
        } else {
            for (const TPreProcessedRecord* record : records)
                dimension->AddValue(source->Denormalise(source->Values[record->Index]));
        }
    }
    BuildRecords();
    if (Dimensions.empty()) RecordsNumber = static_cast<int>(count);
    OriginValue = parent->OriginValue;
    SourceIndexes.reserve(count);
    for (const TPreProcessedRecord* record : records) SourceIndexes.push_back(parent->SourceIndex(record));
    Normalise(!fullDomain);
    ComputeFrequencies();
    RelevanceValuesTimeStamp = NewChangeStamp();
    FrequencyValuesTimeStamp = NewChangeStamp();
    NoteWideRanges();
}

void TPreProcessedData::AppendDataset(const TPreProcessedData* other) { AppendRecords(other, false); }

void TPreProcessedData::AppendUnion(const TPreProcessedData* other) { AppendRecords(other, true); }

void TPreProcessedData::AppendRecords(const TPreProcessedData* other, bool skipHeld)
{
    if (!other || other == this) return;
    const std::size_t oldCount = static_cast<std::size_t>(RecordsNumber);
    // Records are the same record when they come from the same record of the same loaded
    // dataset. A first member hands its origin on; a member of another origin shares no
    // record with this one, and afterwards the sources no longer name one loaded dataset.
    if (oldCount == 0) OriginValue = other->OriginValue;
    const bool sameOrigin = other->OriginValue == OriginValue;
    TRecordList picked;
    std::vector<int> sources;
    picked.reserve(other->ListOfPreprocessedRecords.size());
    sources.reserve(other->ListOfPreprocessedRecords.size());
    std::vector<char> held;
    auto hold = [&held](int source) {
        if (source < 0) return false;
        const auto s = static_cast<std::size_t>(source);
        if (held.size() <= s) held.resize(std::max(s + 1, held.size() * 2), 0);
        if (held[s]) return true;
        held[s] = 1;
        return false;
    };
    if (skipHeld && sameOrigin)
        for (std::size_t k = 0; k < oldCount; ++k) hold(SourceIndexes.empty() ? static_cast<int>(k) : SourceIndexes[k]);
    for (TPreProcessedRecord* record : other->ListOfPreprocessedRecords) {
        const int source = other->SourceIndex(record);
        if (skipHeld && sameOrigin && hold(source)) continue;
        picked.push_back(record);
        sources.push_back(source);
    }
    const std::size_t added = picked.size();
    const int n = other->NumberOfDimensions();
    // Every column must hold one cell per record: a dimension this dataset lacks is created
    // with raw 0 for the records already here, and one the other dataset lacks gets raw 0
    // for the records it adds.
    for (int i = 0; i < n; ++i) {
        const TPreProcessedDimension* source = other->GetDimension(i);
        if (NumberOfDimensions() <= i) {
            TPreProcessedDimension* created = AddDimension(other->GetDimensionName(i));
            created->Values.assign(oldCount, 0.0f);
        }
        TPreProcessedDimension* dimension = Dimensions[i].get();
        if (dimension->Categories.empty()) dimension->Categories = source->Categories;
        dimension->Values.reserve(oldCount + added);
        for (const TPreProcessedRecord* record : picked)
            dimension->AddValue(source->Denormalise(source->Values[record->Index]));
    }
    for (int i = n; i < NumberOfDimensions(); ++i)
        for (std::size_t k = 0; k < added; ++k) Dimensions[i]->AddValue(0.0f);
    BuildRecords();
    if (sameOrigin) {
        if (SourceIndexes.empty())
            for (std::size_t k = 0; k < oldCount; ++k) SourceIndexes.push_back(static_cast<int>(k));
        SourceIndexes.insert(SourceIndexes.end(), sources.begin(), sources.end());
    } else {
        OriginValue = NewOrigin();
        SourceIndexes.clear();
    }
}

void TPreProcessedData::CompleteLoad()
{
    Normalise(true);
    ComputeFrequencies();
    RelevanceValuesTimeStamp = NewChangeStamp();
    FrequencyValuesTimeStamp = NewChangeStamp();
    NoteWideRanges();
}

void TPreProcessedData::ComputeFrequencies(int dimension, const TRecordList& records)
{
    if (records.empty() || dimension < 0 || dimension >= NumberOfDimensions()) return;
    Dimensions[dimension]->ComputeFrequencies(records);
    FrequencyValuesTimeStamp = NewChangeStamp();
}

void TPreProcessedData::ComputeFrequenciesOfRows(int dimension, const std::vector<std::uint32_t>& rows)
{
    if (rows.empty() || dimension < 0 || dimension >= NumberOfDimensions()) return;
    Dimensions[dimension]->ComputeFrequenciesOfRows(rows);
    FrequencyValuesTimeStamp = NewChangeStamp();
}

// ---- relevance

void TPreProcessedData::SetRelevancePoint(int dimension, float value)
{
    // A position that is not a number (a mouse position from a degenerate view) sets nothing.
    if (dimension < 0 || dimension >= NumberOfDimensions() || !std::isfinite(value)) return;
    RelevanceValuesTimeStamp = NewChangeStamp();
    Dimensions[dimension]->RelevanceValue = value;
    Dimensions[dimension]->ComputeRelevance();
    RelevanceDimensionCount = static_cast<int>(std::count_if(
        Dimensions.begin(), Dimensions.end(), [](const auto& d) { return d->RelevanceValue != -1.0f; }));
    ComputeRecordRelevance();
}

void TPreProcessedData::RemoveAllRelevancePoints()
{
    for (auto& dimension : Dimensions) {
        dimension->RelevanceValue = -1.0f;
        dimension->ClearWeights();
    }
    RelevanceDimensionCount = 0;
    RelevanceValuesTimeStamp = NewChangeStamp();
}

void TPreProcessedData::SetMaxRelevanceDistance(int dimension, float distance)
{
    if (RelevanceDimensionCount == 0 || dimension < 0 || dimension >= NumberOfDimensions()) return;
    Dimensions[dimension]->SetMaxRelevanceDistance(distance);
    Dimensions[dimension]->ComputeRelevance();
    RelevanceValuesTimeStamp = NewChangeStamp();
}

void TPreProcessedData::ComputeRecordRelevance()
{
    if (RelevanceDimensionCount == 0) {
        for (auto& record : RecordStorage) record.RecordRelevanceCoefficiente = 1.0f;
        return;
    }
    // Summed dimension by dimension: the same additions, in the same order, as record by
    // record, but walking each column once.
    for (auto& record : RecordStorage) record.RecordRelevanceCoefficiente = 0.0f;
    for (const auto& dimension : Dimensions) {
        const float* weights = dimension->Weights.data();
        const std::size_t n = std::min(dimension->Weights.size(), RecordStorage.size());
        for (std::size_t k = 0; k < n; ++k) RecordStorage[k].RecordRelevanceCoefficiente += weights[k];
    }
    const float count = static_cast<float>(RelevanceDimensionCount);
    for (auto& record : RecordStorage) record.RecordRelevanceCoefficiente /= count;
}

// ---- order

void TPreProcessedData::SortRecordsByRelevance()
{
    // Not-a-number coefficients (never produced here) sort first instead of breaking the sort.
    auto key = [](const TPreProcessedRecord* r) {
        const float c = r->RecordRelevanceCoefficiente;
        return std::isnan(c) ? -INFINITY : c;
    };
    auto before = [&](const TPreProcessedRecord* a, const TPreProcessedRecord* b) { return key(a) < key(b); };
    if (std::is_sorted(ListOfPreprocessedRecords.begin(), ListOfPreprocessedRecords.end(), before)) return;
    std::stable_sort(ListOfPreprocessedRecords.begin(), ListOfPreprocessedRecords.end(), before);
    RecordOrderStamp = NewChangeStamp();
}

void TPreProcessedData::SortRecordsByDimension(int dimension, TRecordList& records)
{
    if (dimension < 0 || dimension >= NumberOfDimensions()) return;
    SortDimensionValue = dimension;
    TPreProcessedDimension* column = Dimensions[dimension].get();
    if (records.size() < 2) return;
    if (&records == &ListOfPreprocessedRecords) RecordOrderStamp = NewChangeStamp();
    if (!column->RanksCurrent()) column->ComputeRanks();
    const std::uint32_t* ranks = column->Ranks.data();
    const std::size_t distinct = column->DistinctCount();
    if (records.size() >= distinct / 4) {
        // Counting sort by rank: linear, and it keeps equal values in their list order.
        std::vector<std::uint32_t> start(distinct + 1, 0);
        for (const TPreProcessedRecord* record : records) ++start[ranks[record->Index] + 1];
        for (std::size_t r = 1; r <= distinct; ++r) start[r] += start[r - 1];
        TRecordList sorted(records.size());
        for (TPreProcessedRecord* record : records) sorted[start[ranks[record->Index]]++] = record;
        records.swap(sorted);
    } else {
        std::stable_sort(records.begin(), records.end(), [ranks](const TPreProcessedRecord* a, const TPreProcessedRecord* b) {
            return ranks[a->Index] < ranks[b->Index];
        });
    }
}

// ---- time window

void TPreProcessedData::SetTimeMoment(int moment)
{
    const long long count = static_cast<long long>(ListOfPreprocessedRecords.size());
    const long long range = TimeDiscreteRange;
    const long long start = std::clamp((static_cast<long long>(moment) - 1) * range, 0LL, count);
    const long long end = std::clamp(std::min(static_cast<long long>(moment) * range, static_cast<long long>(RecordsNumber)),
                                     start, count);
    for (TPreProcessedRecord* record : ListOfPreprocessedRecords) record->TemporalInteractionDraw = false;
    for (long long k = start; k < end; ++k) ListOfPreprocessedRecords[static_cast<std::size_t>(k)]->TemporalInteractionDraw = true;
    TimeMoment = moment;
    TimeWindowStamp = NewChangeStamp();
}

void TPreProcessedData::SetAllRecordsDrawn(bool flag)
{
    for (TPreProcessedRecord* record : ListOfPreprocessedRecords) record->TemporalInteractionDraw = flag;
    TimeWindowStamp = NewChangeStamp();
}
