#pragma once
// The dataset: dimensions (columns), records (rows) and the cells they share.
//
// Memory layout. A cell's fields are stored once, column by column: each dimension keeps
// contiguous arrays (Values, Weights, Occurrences, Ranks; Relevances only once a relevance
// is computed), indexed by the record's storage row, which is the record's Index. A cell is
// reached from its dimension by row and from its record through record.Index. No cell is
// allocated on its own. TPreProcessedAttribute is a handle (dimension, row) onto one cell.
//
// Ranks: after a load every dimension ranks its values once: Ranks[row] is the dense rank
// of Values[row] among the dimension's distinct values, DistinctValues[rank] that value
// (ascending). Counting equal values or sorting the values of any set of records is then a
// counting pass over ranks instead of a sort.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/Auxiliar.h"
#include "render/OpenGLColor.h"

class TPreProcessedData;
class TPreProcessedDimension;
class TPreProcessedRecord;
class TTableSource;

using TRecordList = std::vector<TPreProcessedRecord*>;

// ---- A cell, as a handle onto its dimension's arrays ------------------------------------
class TPreProcessedAttribute {
public:
    TPreProcessedAttribute(TPreProcessedDimension* dimension, std::uint32_t row) : Dimension(dimension), Row(row) {}
    float Value() const;
    float Weight() const;
    float Relevance() const;
    int Occurrences() const;
    void SetWeight(float weight);
    void SetRelevance(float relevance);
    void SetOccurrences(int occurrences);
    TPreProcessedDimension* GetDimension() const { return Dimension; }
    std::uint32_t GetRow() const { return Row; }

private:
    TPreProcessedDimension* Dimension;
    std::uint32_t Row;
};

// ---- Scratch memory of the ranking -------------------------------------------------------
// One load ranks every dimension; keeping one set of scratch tables for all of them saves
// allocating and first touching them again for each.
class TRankScratch {
public:
    TRankScratch();
    ~TRankScratch();
    TRankScratch(const TRankScratch&) = delete;
    TRankScratch& operator=(const TRankScratch&) = delete;

    // At least `count` items; their contents are undefined.
    std::uint64_t* Get(std::size_t count);
    struct TTables;  // the hash tables of the ranking
    TTables& Tables() { return *HashTables; }

private:
    std::unique_ptr<std::uint64_t[]> Items;
    std::size_t Capacity = 0;
    std::unique_ptr<TTables> HashTables;
};

// ---- A column ---------------------------------------------------------------------------
class TPreProcessedDimension {
public:
    TPreProcessedDimension(std::string name, int index);

    // Number of cells (equals the dataset's RecordsNumber once loading is complete).
    std::size_t Count() const { return Values.size(); }
    TPreProcessedAttribute Cell(std::uint32_t row) { return {this, row}; }

    // Appends one cell parsed from a token: the number when StrToFloat accepts it, otherwise
    // the number of values the dimension already holds. Sets Normalised = false.
    void AddValueText(std::string_view text);
    // Appends one cell with a raw value.
    void AddValue(float value);

    void Normalise(bool recomputeRange);
    // Normalise(false) and ComputeFrequencies() in one pass, as a reader calls them after
    // setting the range: when every value is a decimal with at most `decimals` digits after
    // the point (the reader's count), the values are ranked through a table indexed by
    // value × 10^decimals; otherwise the two steps run as they are. The same results either way.
    void NormaliseAndComputeFrequencies(unsigned decimals, TRankScratch& scratch);
    // Relative frequency of equal values over all cells; also (re)builds the ranks.
    void ComputeFrequencies();
    void ComputeFrequencies(TRankScratch& scratch);
    // Relevance weights of the cells around RelevanceValue.
    void ComputeRelevance();
    // Every cell's Weight = 0.
    void ClearWeights();
    // Dense ranks of the current values (called by every load after normalisation).
    void ComputeRanks();
    void ComputeRanks(TRankScratch& scratch);
    // Whether Ranks and DistinctValues describe the current values.
    bool RanksCurrent() const { return RanksAreCurrent; }
    // Number of distinct values (valid while RanksCurrent()).
    std::size_t DistinctCount() const { return DistinctValues.size(); }
    // Renewed whenever the ranks are computed again; what is kept in ranks elsewhere (a
    // brush's range of ranks) is current while this is unchanged.
    std::uint64_t RankGeneration() const { return RankGenerationValue; }
    // The ranks r whose value v satisfies min <= v <= max: [first, last) (first == last when
    // none does; not-a-number bounds hold nothing). Computes the ranks first when needed.
    std::pair<std::uint32_t, std::uint32_t> RankRange(float min, float max);
    // The rows in ascending order of value (rank, then row) and where each rank starts in it:
    // the rows of ranks [a, b) are SortedRows()[RankStarts()[a]] … [RankStarts()[b] − 1].
    // Built on first use (the first brush on the dimension) and kept while the ranks are.
    const std::vector<std::uint32_t>& SortedRows();
    const std::vector<std::uint32_t>& RankStarts();
    // Relative frequency of equal values among the cells of `records` only; other cells keep
    // their values. Nothing happens for an empty list.
    void ComputeFrequencies(const TRecordList& records);
    void ComputeFrequenciesOfRows(const std::vector<std::uint32_t>& rows);
    // The cells of `rows` get the counts of their ranks, counts[rank] (the equal values among
    // a set of records that holds these rows), and the weights count / greatest count.
    void SetFrequenciesFromRankCounts(const std::vector<std::uint32_t>& rows, const std::uint32_t* counts);

    // value × ValueRange + LowValue; where that overflows (a range wider than a float holds)
    // it is computed in double and kept within the float range.
    float Denormalise(float value) const
    {
        const float raw = value * ValueRange + LowValue;
        if (raw - raw == 0.0f || value != value) return raw;  // finite, or no number to begin with
        return DenormaliseWide(value);
    }
    float DenormaliseWide(float value) const;
    // HighValue − LowValue is more than a float holds.
    bool RangeOverflows() const;
    // A value in the dimension's own units as the user reads it: "0.##", or for a text
    // column the text of the nearest category.
    std::string ValueText(float value, std::string_view pattern = "0.##") const;
    void SetHighLow(float high, float low)
    {
        HighValue = high;
        LowValue = low;
    }
    void SetPositions(int axis, int column, int row)
    {
        AxisPosition = axis;
        ColumnPosition = column;
        RowPosition = row;
    }
    float GetMaxRelevanceDistance() const { return MaxRelevanceDistance; }
    // Clamped to [0, 1].
    void SetMaxRelevanceDistance(float distance);
    // The text-to-number code of a text value read from a database table.
    static int HashText(std::string_view text);

    bool IsString = false;
    // The texts of a text column read from a delimited table: raw value k stands for
    // Categories[k] (numbered in the byte order of the UTF-8 texts). Empty for numbers.
    std::vector<std::string> Categories;
    std::string DimensionName;
    int DimensionIndex;
    float HighValue = 0.0f;
    float LowValue = 0.0f;
    float ValueRange = 0.0f;
    int AxisPosition = 0;
    int ColumnPosition = 0;
    int RowPosition = 0;
    float RelevanceValue = -1.0f;
    bool Normalised = false;

    // A cell's count of equal values (what its frequency weight was computed from).
    int OccurrenceAt(std::size_t row) const;

    // Cell storage, indexed by row.
    std::vector<float> Values;
    std::vector<float> Weights;
    // Empty after a computation over all cells, whose counts are those of each cell's rank
    // (OccurrenceAt reads them there); filled in once some cells get counts of their own (a
    // computation among some records, SetOccurrences).
    std::vector<std::int32_t> Occurrences;
    std::vector<float> Relevances;  // empty until the first relevance computation (reads give 0)
    std::vector<std::uint32_t> Ranks;
    std::vector<float> DistinctValues;

private:
    void RankBySorting(TRankScratch& scratch);
    void PrepareSubsetFrequencies();
    bool RankOnDecimalGrid(unsigned decimals);
    // Every cell's count from ColumnCounts into Occurrences, before anything changes ranks
    // or gives some cells counts of their own.
    void MaterialiseOccurrences();
    friend class TPreProcessedAttribute;

    void BuildSortedOrder();

    float MaxRelevanceDistance = 0.2f;
    bool RanksAreCurrent = false;
    std::uint64_t RankGenerationValue = 0;
    std::uint64_t SortedOrderGeneration = 0;  // the rank generation the sorted order belongs to; 0: none
    std::vector<std::uint32_t> SortedRowsValue;
    std::vector<std::uint32_t> RankStartsValue;
    std::vector<std::uint32_t> RankCounts;  // all zero between subset counts; sized on first use
    std::vector<std::uint32_t> ColumnCounts;  // cells per rank over the whole column, while OccurrencesByRank
    bool OccurrencesByRank = false;
};

// ---- A row --------------------------------------------------------------------------------
// Records live in the dataset's storage and never move; lists of records hold pointers.
class TPreProcessedRecord {
public:
    explicit TPreProcessedRecord(int index) : Index(index) {}
    ~TPreProcessedRecord();
    TPreProcessedRecord(const TPreProcessedRecord&) = delete;
    TPreProcessedRecord& operator=(const TPreProcessedRecord&) = delete;
    TPreProcessedRecord(TPreProcessedRecord&& other) noexcept;
    TPreProcessedRecord& operator=(TPreProcessedRecord&&) = delete;

    // The label; the decimal text of Index while none was set (or an empty one was).
    std::string GetLabel() const;
    void SetLabel(const std::string& label);
    // A new record over the same cells (same Index) with copies of the colour, the relevance
    // coefficient, the time flag and the label. The colour is embedded in the record, so the
    // copy holds its own copy of it rather than sharing the object.
    std::unique_ptr<TPreProcessedRecord> CopyRecord() const;

    // In this order a record takes 24 bytes (the flags share the last word).
    int Index;  // record number, and the storage row of its cells
    TOpenGLColor Color;
    float RecordRelevanceCoefficiente = 1.0f;
    bool TemporalInteractionDraw = true;

private:
    bool HasLabel = false;  // labels are rare: kept in a side table
};

// ---- The feature vector FastMap measures ------------------------------------------------
class stBasicArrayObject {
public:
    stBasicArrayObject() = default;
    stBasicArrayObject(int oid, const float* values, std::uint32_t count);
    virtual ~stBasicArrayObject() = default;

    virtual std::unique_ptr<stBasicArrayObject> Duplicate() const;
    virtual bool HasSameValues(const stBasicArrayObject& other) const;
    virtual std::uint32_t StoredSize() const { return 4 + 4 * Count; }
    virtual const unsigned char* StoredBytes() const { return Buffer.data(); }
    virtual void LoadStoredBytes(const unsigned char* data, std::uint32_t length);

    // Throws std::out_of_range("Index out of range.") outside 0 … Count − 1.
    float ValueAt(std::uint32_t i) const;
    int GetOID() const;
    std::uint32_t GetSize() const { return Count; }

private:
    std::uint32_t Count = 0;
    std::vector<unsigned char> Buffer = std::vector<unsigned char>(4, 0);  // oid, then Count floats
};

// ---- The dataset ------------------------------------------------------------------------
class TPreProcessedData {
public:
    TPreProcessedData();  // also resets the process-wide sort dimension to -1
    ~TPreProcessedData();
    TPreProcessedData(const TPreProcessedData&) = delete;
    TPreProcessedData& operator=(const TPreProcessedData&) = delete;

    // ---- loading
    // Reads a dataset text file into this empty dataset. Reports problems through
    // ShowMessage and returns false; the dataset is then empty.
    bool ReadTextFile(const std::string& fileName);
    // Reads a delimited table (CSV, TSV): a header row of field names, then one record per
    // row. Problems are reported as ReadTextFile reports them; skipped rows and missing
    // cells are reported too and listed in LoadNotes.
    bool ReadCsvFile(const std::string& fileName);
    // ReadCsvFile or ReadTextFile, as the file's name and first bytes say (IsDelimitedTableFile).
    bool ReadDataFile(const std::string& fileName);
    // Reads every field of an open table as a dimension and every row as a record.
    bool ReadTable(TTableSource& table);
    void Clear();

    // Adds a dimension (used by the readers and derived datasets).
    TPreProcessedDimension* AddDimension(const std::string& name);
    // Creates records 0 … n−1 over the cells already in the dimensions (n = cell count of
    // dimension 0) and sets RecordsNumber = n. Records that exist already are kept; building
    // may move them, so it runs only while the dataset is being filled.
    void BuildRecords();

    void Normalise(bool recomputeRange);
    void ComputeFrequencies();
    void ComputeAxisPositions(int width, int height);

    // ---- access
    int NumberOfDimensions() const { return static_cast<int>(Dimensions.size()); }
    TPreProcessedDimension* GetDimension(int i) const { return Dimensions[i].get(); }
    const std::string& GetDimensionName(int i) const { return Dimensions[i]->DimensionName; }
    float GetLowValue(int i) const { return Dimensions[i]->LowValue; }
    float GetHighValue(int i) const { return Dimensions[i]->HighValue; }
    bool IsStringDimension(int i) const { return Dimensions[i]->IsString; }
    float GetRelevanceValue(int i) const { return Dimensions[i]->RelevanceValue; }
    float GetMaxRelevanceDistance(int i) const { return Dimensions[i]->GetMaxRelevanceDistance(); }
    int GetAxisPosition(int i) const { return Dimensions[i]->AxisPosition; }
    int GetColumnPosition(int i) const { return Dimensions[i]->ColumnPosition; }
    int GetRowPosition(int i) const { return Dimensions[i]->RowPosition; }
    float Denormalise(int i, float value) const { return Dimensions[i]->Denormalise(value); }
    // A normalised spread (a standard deviation, a width) in the dimension's own units.
    // Kept within the float range when the dimension's range is wider than a float holds.
    float SpreadInUnits(int i, float spread) const;
    // A value in dimension i's own units as the user reads it: FormatFloat(pattern), or the
    // category's text in a text column. Every view shows values through it.
    std::string ValueText(int i, float value, std::string_view pattern = "0.##") const
    {
        return Dimensions[i]->ValueText(value, pattern);
    }
    // Record at position k of ListOfPreprocessedRecords.
    TPreProcessedRecord* GetRecord(int k) const { return ListOfPreprocessedRecords[k]; }
    // Cell i of the record at position k.
    TPreProcessedAttribute GetCell(int i, int k) const
    {
        return {Dimensions[i].get(), static_cast<std::uint32_t>(ListOfPreprocessedRecords[k]->Index)};
    }
    // Value of a record's cell on dimension i.
    float Value(int i, const TPreProcessedRecord* record) const { return Dimensions[i]->Values[record->Index]; }
    float Weight(int i, const TPreProcessedRecord* record) const { return Dimensions[i]->Weights[record->Index]; }
    // Whether ListOfPreprocessedRecords holds record k at position k for every k (no sort
    // has changed the order); checked once per RecordOrderStamp.
    bool RecordsInStorageOrder() const;
    // The record with the given Index (its storage row), whatever the list order; null outside.
    TPreProcessedRecord* RecordByIndex(int index) const;
    // The record's values in dimension order, with its Index as the object identifier.
    stBasicArrayObject ToFeatureVector(const TPreProcessedRecord* record) const;

    // ---- derived datasets
    // The record of the loaded dataset that a record of this one comes from (its position
    // there): the record's own Index in a loaded dataset.
    int SourceIndex(const TPreProcessedRecord* record) const
    {
        return SourceIndexes.empty() ? record->Index : SourceIndexes[static_cast<std::size_t>(record->Index)];
    }
    // Which loaded dataset the records come from: fresh for every dataset constructed,
    // inherited by the datasets derived from it.
    std::uint64_t Origin() const { return OriginValue; }

    void BuildSubset(const TRecordList& records, const TPreProcessedData* parent, bool fullDomain);
    void AppendDataset(const TPreProcessedData* other);
    // As AppendDataset, but only the records of `other` that this dataset does not hold yet
    // (the same record of the same loaded dataset): a composition of overlapping members
    // holds each record once.
    void AppendUnion(const TPreProcessedData* other);
    void CompleteLoad();
    // A load note for every dimension whose range is wider than a float holds (its values are
    // kept finite, and finely spaced ones may become equal). Called at the end of each load.
    void NoteWideRanges();
    // Relative frequencies of dimension `dimension` among the cells of `records`; renews
    // FrequencyValuesTimeStamp. Nothing happens for an empty list.
    void ComputeFrequencies(int dimension, const TRecordList& records);
    // The same among the cells of the given storage rows.
    void ComputeFrequenciesOfRows(int dimension, const std::vector<std::uint32_t>& rows);

    // ---- relevance
    void SetRelevancePoint(int dimension, float value);
    void RemoveAllRelevancePoints();
    void SetMaxRelevanceDistance(int dimension, float distance);
    void ComputeRecordRelevance();

    // ---- order
    // Stable, and nothing happens (no new RecordOrderStamp) when the list is in order already.
    void SortRecordsByRelevance();
    void SortRecordsByDimension(int dimension, TRecordList& records);
    static int SortDimension();  // the process-wide sort dimension (-1 after construction)

    // ---- time window
    void SetTimeMoment(int moment);
    void SetAllRecordsDrawn(bool flag);

    int RecordsNumber = 0;
    int RelevanceDimensionCount = 0;
    TChangeStamp RelevanceValuesTimeStamp = 0;
    TChangeStamp FrequencyValuesTimeStamp = 0;
    // Renewed whenever the time window changes (which records are drawn), and whenever the
    // order of ListOfPreprocessedRecords changes. Views key their caches on these stamps.
    TChangeStamp TimeWindowStamp = 0;
    TChangeStamp RecordOrderStamp = 0;
    TRecordList ListOfPreprocessedRecords;  // record i at position i until a sort
    bool HasTimeAttribute = false;
    int TimeAttributeIndex = -1;
    int TimeMoment = -1;
    int TimeDiscreteRange = -1;
    // What a load skipped or changed on the way (lines, cells), one note a line; the
    // workspace's label panel shows them under the record count. Empty after a clean load.
    std::vector<std::string> LoadNotes;

private:
    void AppendRecords(const TPreProcessedData* other, bool skipHeld);
    static std::uint64_t NewOrigin();

    static int SortDimensionValue;
    std::uint64_t OriginValue;
    std::vector<int> SourceIndexes;  // by storage row; empty: every record is its own source
    std::vector<std::unique_ptr<TPreProcessedDimension>> Dimensions;
    std::vector<TPreProcessedRecord> RecordStorage;  // reserved once; never reallocated after BuildRecords
    mutable TChangeStamp InStorageOrderStamp = 0;  // the RecordOrderStamp InStorageOrder was checked at
    mutable bool InStorageOrder = false;
};

// ---- Lines a reader skipped ----------------------------------------------------------------
// Counts the lines skipped for one reason and words the load note about them: how many, and
// the first line numbers (1-based, the header being line 1).
class TSkippedLines {
public:
    explicit TSkippedLines(std::string reason) : Reason(std::move(reason)) {}
    void Add(std::size_t lineNumber)
    {
        if (FirstLines.size() < kListed) FirstLines.push_back(lineNumber);
        ++Count;
    }
    std::size_t Skipped() const { return Count; }
    // "- Skipped 3 lines (reason): 4, 7, 9"; with more than five lines the list ends in "…".
    // Nothing is appended when no line was skipped.
    void AppendNote(std::vector<std::string>& notes) const;

private:
    static constexpr std::size_t kListed = 5;
    std::string Reason;
    std::size_t Count = 0;
    std::vector<std::size_t> FirstLines;
};

// ---- A database table, as the table reader sees it --------------------------------------
// Implemented by the shell over Qt SQL; the dataset reads it without knowing the engine.
class TTableSource {
public:
    virtual ~TTableSource() = default;
    virtual int FieldCount() const = 0;
    virtual std::string FieldName(int field) const = 0;
    virtual bool IsTextField(int field) const = 0;
    // Moves to the first row; false when there is none.
    virtual bool First() = 0;
    // Moves to the next row; false after the last.
    virtual bool Next() = 0;
    // The current row's value of a field: as a number (0 for NULL), or as text.
    virtual double AsFloat(int field) = 0;
    virtual std::string AsString(int field) = 0;
    // The engine's error text after a failed step, or empty.
    virtual std::string LastError() const = 0;
    // An estimate of the number of rows, used only to reserve memory; -1 when unknown.
    virtual std::int64_t RowCountHint() const { return -1; }
    // Asked now and then while the engine works (opening, stepping); returning false stops
    // the work and the load. An empty function lets it run.
    virtual void SetKeepGoing(std::function<bool()> keepGoing) { (void)keepGoing; }
    // True once a keep-going function said stop.
    virtual bool Cancelled() const { return false; }
    // Notes on what the source read differently from what it holds (cells it could not
    // convert), for the dataset's LoadNotes.
    virtual void AppendNotes(std::vector<std::string>& notes) const { (void)notes; }
};
