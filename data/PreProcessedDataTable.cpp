// Reading a database table into a dataset, and the text code of text fields.
//
// The table is read in one forward pass: every row appends one raw value to every
// dimension. Each dimension is then normalised over its raw values with the same rule as
// the text reader (low/high over all cells, ValueRange 1 for a constant column, min(1, …))
// and marked Normalised, so a numeric table gives the same dataset as a text file holding
// the same rows. Values become single-precision floats before they are normalised, as the
// text reader's tokens do.
//
// NULL cells read as the table source gives them: 0 for a number, the text code of the
// empty text (also 0) for a text field. A number that is not a number (NaN) reads as 0 too,
// and a load note says how many of each field did.
//
// A cell that cannot be read (the source throws) keeps the dimension consistent: it and
// every later cell of that field take the lowest value read before the failure (0 when
// none was), so they normalise to 0, and "Data not propperly loaded" is shown once for
// the field. A row step that fails ends the table there: the rows read completely stay,
// the message says how many rows were read and that the table was not read to its end (a
// load note keeps it in the label panel), and every record still has a cell in every
// dimension.
#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"

int TPreProcessedDimension::HashText(std::string_view text)
{
    // s1 = Σ k·c(k)², s2 = Σ c(k) over the bytes as signed 8-bit numbers (k from 1). The
    // code is the integer value of the first six characters of decimal(s1) followed by
    // decimal(s2). s1 is never negative; s2 is negative when bytes above 127 dominate: then
    // its digits are written without the sign and the code is negated, so such texts keep
    // a code of their own instead of an unreadable "…-…" number.
    // s1 is summed in 128 bits: a 64-bit sum overflows from texts of 32 MiB on, while 128
    // bits hold the sum for any text that fits in memory. Shorter texts keep their codes.
    unsigned __int128 s1 = 0;
    std::int64_t s2 = 0;
    std::uint64_t k = 1;
    for (char ch : text) {
        const std::int64_t c = static_cast<std::int8_t>(ch);
        s1 += static_cast<unsigned __int128>(k) * static_cast<std::uint64_t>(c * c);
        s2 += c;
        ++k;
    }
    const bool negative = s2 < 0;
    std::string digits;  // decimal of s1, built from the last digit
    do {
        digits += static_cast<char>('0' + static_cast<int>(s1 % 10));
        s1 /= 10;
    } while (s1 != 0);
    const std::string joined = std::string(digits.rbegin(), digits.rend()) + std::to_string(negative ? -s2 : s2);
    const std::string head = joined.substr(0, 6);
    const int code = std::atoi(head.c_str());
    return negative ? -code : code;
}

namespace {
const char* const NotLoadedMessage = "Data not propperly loaded";

// A number from the engine as a raw cell value: NaN reads as 0 (like NULL), values beyond
// the float range as the largest float of their sign, so sorting and ranking stay sound.
float ToCellValue(double value)
{
    if (std::isnan(value)) return 0.0f;
    const double limit = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -limit, limit));
}

void ShowNotLoaded() { ShowMessage(TMessageKind::Information, "", NotLoadedMessage); }

std::string Plural(std::int64_t count, const char* one, const char* many)
{
    return IntToStr(static_cast<long long>(count)) + " " + (count == 1 ? one : many);
}
} // namespace

bool TPreProcessedData::ReadTable(TTableSource& table)
{
    Clear();
    const int fieldCount = table.FieldCount();
    if (fieldCount <= 0) {
        ShowMessage(TMessageKind::Warning, "Warning", "The table has no fields; nothing was loaded.");
        return false;
    }

    std::vector<TPreProcessedDimension*> dimensions;
    std::vector<char> isText;  // not vector<bool>: read once per cell
    dimensions.reserve(fieldCount);
    for (int i = 0; i < fieldCount; ++i) {
        const std::string name = table.FieldName(i);
        if (UpperCase(name) == "TIME_ATTRIBUTE_NAME") {
            HasTimeAttribute = true;
            TimeAttributeIndex = i;
        }
        TPreProcessedDimension* dimension = AddDimension(name);
        dimension->IsString = table.IsTextField(i);
        dimension->RelevanceValue = -1.0f;
        dimensions.push_back(dimension);
        isText.push_back(dimension->IsString);
    }

    // The hint is only believed within bounds (at most 2^28 cells, 1 GiB, reserved in all):
    // beyond them the columns grow as rows arrive, so a hint the data does not prove never
    // sizes a huge allocation.
    const std::int64_t hint = table.RowCountHint();
    if (hint > 0 && hint <= (std::int64_t{1} << 28) / fieldCount)
        for (TPreProcessedDimension* dimension : dimensions) dimension->Values.reserve(static_cast<std::size_t>(hint));

    // Row from which a field could no longer be read; -1 while it reads fine.
    std::vector<std::int64_t> failedFrom(fieldCount, -1);
    bool anyFailed = false;
    std::vector<float> row(fieldCount, 0.0f);
    std::vector<std::int64_t> notANumber(fieldCount, 0);
    std::int64_t rows = 0;
    bool stepFailed = false;
    try {
        for (bool more = table.First(); more; more = table.Next()) {
            for (int i = 0; i < fieldCount; ++i) {
                row[i] = 0.0f;
                if (anyFailed && failedFrom[i] >= 0) continue;
                try {
                    if (isText[i]) {
                        row[i] = static_cast<float>(TPreProcessedDimension::HashText(table.AsString(i)));
                    } else {
                        const double value = table.AsFloat(i);
                        if (std::isnan(value)) ++notANumber[i];
                        row[i] = ToCellValue(value);
                    }
                } catch (const std::bad_alloc&) {
                    throw;
                } catch (const std::exception&) {
                    failedFrom[i] = rows;
                    anyFailed = true;
                }
            }
            // A row enters the dimensions whole, so they always hold equally many cells. Raw
            // values go straight into the cell arrays; Normalise below renews what depends on them.
            for (int i = 0; i < fieldCount; ++i) dimensions[i]->Values.push_back(row[i]);
            ++rows;
        }
    } catch (const std::bad_alloc&) {
        throw;  // the caller reports it and drops the dataset
    } catch (const std::exception&) {
        stepFailed = true;
    }
    if (table.Cancelled()) {
        Clear();  // stopped by the user: nothing is loaded, nothing to report
        return false;
    }
    if (!stepFailed && !table.LastError().empty()) stepFailed = true;

    std::string cutShort;
    if (stepFailed) {
        const std::string error = table.LastError();
        cutShort = "- Only " + Plural(rows, "row was", "rows were") + " read: the table was not read to its end" +
                   (error.empty() ? std::string(".") : " (" + error + ").");
        ShowNotLoaded();
        ShowMessage(TMessageKind::Warning, "Warning", cutShort.substr(2));
    }
    for (int i = 0; i < fieldCount; ++i) {
        if (failedFrom[i] < 0) continue;
        ShowNotLoaded();
        std::vector<float>& values = dimensions[i]->Values;
        const auto readEnd = values.begin() + failedFrom[i];
        const float fill = failedFrom[i] > 0 ? *std::min_element(values.begin(), readEnd) : 0.0f;
        std::fill(readEnd, values.end(), fill);
    }

    if (rows == 0) {
        Clear();
        if (stepFailed) return false;  // already said why
        ShowMessage(TMessageKind::Warning, "Warning", "The table holds no rows; nothing was loaded.");
        return false;
    }

    {
        TRankScratch scratch;  // one set of ranking tables for every column, freed before the records
        for (TPreProcessedDimension* dimension : dimensions) {
            dimension->Normalised = false;
            dimension->Normalise(true);
            dimension->Normalised = true;
            dimension->ComputeFrequencies(scratch);
        }
    }
    BuildRecords();
    RecordsNumber = static_cast<int>(rows);
    Normalise(true);  // skips every dimension: all are Normalised
    FrequencyValuesTimeStamp = NewChangeStamp();
    RelevanceValuesTimeStamp = NewChangeStamp();
    FrequencyValuesTimeStamp = NewChangeStamp();
    TimeDiscreteRange = 12;
    TimeMoment = RecordsNumber;
    if (!cutShort.empty()) LoadNotes.push_back(cutShort);
    for (int i = 0; i < fieldCount; ++i)
        if (notANumber[i] > 0)
            LoadNotes.push_back("- " + Plural(notANumber[i], "value", "values") + " of \"" + dimensions[i]->DimensionName +
                                "\" read as 0: not a number (NaN)");
    table.AppendNotes(LoadNotes);
    NoteWideRanges();
    return true;
}
