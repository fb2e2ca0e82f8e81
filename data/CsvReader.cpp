// The delimited-table reader (CSV, TSV).
//
// A header row of field names, then one record per row; fields separated by a comma, a
// semicolon or a tab (detected from the header), optionally quoted with embedded
// delimiters, doubled quotes and line breaks; CR LF, LF or CR line ends; UTF-8 with or
// without a byte order mark.
//
// The file is streamed through a buffer. A column is numeric while every cell read so far
// is a number or a missing token; the first other text makes it a text column. Numbers are
// stored as they are read; only when text columns turned up is the file read a second time
// for their texts, which become categories numbered in byte order of their UTF-8 text.
#include "data/CsvReader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "data/PreProcessedData.h"
#include "data/RegularFile.h"

namespace {

constexpr std::size_t kBlockSize = 1 << 20;       // bytes read at a time
constexpr std::size_t kBinaryProbe = 1 << 16;     // leading bytes checked for NUL
constexpr std::size_t kMaxReservedCells = 1u << 28;  // cap of the up-front reservation
constexpr std::size_t kListedLines = 10;           // line numbers named in a message

// One field of a record, pointing into the parser's buffer (valid until the next record).
struct TField {
    const char* Begin;
    const char* End;
    bool Quoted = false;   // the text between the enclosing quotes
    bool Escaped = false;  // holds doubled quotes still to be undone

    std::string_view View() const { return {Begin, static_cast<std::size_t>(End - Begin)}; }
    // The field's text with doubled quotes undone.
    std::string Text() const
    {
        if (!Escaped) return std::string(View());
        std::string text;
        text.reserve(static_cast<std::size_t>(End - Begin));
        for (const char* p = Begin; p < End; ++p) {
            text.push_back(*p);
            if (*p == '"' && p + 1 < End && p[1] == '"') ++p;
        }
        return text;
    }
};

// Splits the file into records of fields.
class TCsvParser {
public:
    TCsvParser(int fd, char delimiter) : Fd(fd), Delimiter(delimiter), Buffer(kBlockSize)
    {
        std::memset(Stop, 0, sizeof Stop);
        Stop[static_cast<unsigned char>(delimiter)] = true;
        Stop[static_cast<unsigned char>('\n')] = true;
        Stop[static_cast<unsigned char>('\r')] = true;
    }

    enum class TResult { Record, Malformed, End, Error };

    // The first bytes of the file, read without consuming them.
    std::string_view Head()
    {
        if (End == 0 && !AtEnd) Fill();
        return {Buffer.data() + Begin, std::min(End - Begin, kBinaryProbe)};
    }
    void SkipBytes(std::size_t count) { Begin += std::min(count, End - Begin); }
    // The first line of the file (up to the first line break outside quotes, or all of it).
    bool FirstLine(std::string_view& line)
    {
        for (;;) {
            bool quoted = false;
            for (std::size_t i = Begin; i < End; ++i) {
                const char c = Buffer[i];
                if (c == '"') quoted = !quoted;
                if (!quoted && (c == '\n' || c == '\r')) {
                    line = std::string_view(Buffer.data() + Begin, i - Begin);
                    return true;
                }
            }
            if (AtEnd) {
                line = std::string_view(Buffer.data() + Begin, End - Begin);
                return true;
            }
            if (!Fill()) return false;
        }
    }
    void SetDelimiter(char delimiter)
    {
        Stop[static_cast<unsigned char>(Delimiter)] = false;
        Delimiter = delimiter;
        Stop[static_cast<unsigned char>('\n')] = true;
        Stop[static_cast<unsigned char>('\r')] = true;
        Stop[static_cast<unsigned char>(delimiter)] = true;
    }

    // The next record. Line is the line its first character stands on (from 1).
    TResult Next(std::vector<TField>& fields)
    {
        for (;;) {
            std::size_t lines = 0;
            const char* next = nullptr;
            switch (TryRecord(fields, lines, next)) {
            case TTry::Complete:
                Line = NextLine;
                NextLine += lines;
                Begin = static_cast<std::size_t>(next - Buffer.data());
                return TResult::Record;
            case TTry::Empty:
                return TResult::End;
            case TTry::NeedMore:
                if (!Fill()) return TResult::Error;
                break;
            case TTry::Unclosed: {
                // A quote that no later one closes: the row it begins on is dropped, and
                // reading goes on at the next line, so the rest of the file is not lost.
                Line = NextLine;
                ++NextLine;
                const char* p = Buffer.data() + Begin;
                const char* const end = Buffer.data() + End;
                while (p < end && *p != '\n' && *p != '\r') ++p;
                if (p < end && *p++ == '\r' && p < end && *p == '\n') ++p;
                Begin = static_cast<std::size_t>(p - Buffer.data());
                return TResult::Malformed;
            }
            }
        }
    }

    // A row of plain numbers only (no quotes, blanks, exponents or missing cells, wholly in
    // the buffer), converted straight from the buffer: the common row of a numeric table,
    // read in one pass over its bytes. False, with nothing consumed, for any other row.
    // `decimals` gets each field's number of digits after the point.
    bool NextNumbers(float* values, unsigned* decimals, std::size_t count, bool decimalComma)
    {
        const char* p = Buffer.data() + Begin;
        const char* const end = Buffer.data() + End;
        const char separator = decimalComma ? ',' : '.';
        for (std::size_t j = 0; j < count; ++j) {
            if (!ParseSimpleDecimal(p, end, separator, values[j], decimals[j]) || p == end) return false;
            if (j + 1 < count ? *p != Delimiter : (*p != '\n' && *p != '\r')) return false;
            ++p;
        }
        if (p[-1] == '\r') {
            if (p == end) return false;
            if (*p == '\n') ++p;
        }
        Line = NextLine++;
        Begin = static_cast<std::size_t>(p - Buffer.data());
        return true;
    }

    std::size_t Line = 0;
    int ErrorNumber() const { return Error; }

private:
    enum class TTry { Complete, NeedMore, Unclosed, Empty };

    TTry TryRecord(std::vector<TField>& fields, std::size_t& lines, const char*& next)
    {
        fields.clear();
        const char* p = Buffer.data() + Begin;
        const char* const end = Buffer.data() + End;
        if (p == end) return AtEnd ? TTry::Empty : TTry::NeedMore;
        const char blank2 = Delimiter == '\t' ? ' ' : '\t';
        for (;;) {
            const char* const fieldStart = p;
            while (p < end && (*p == ' ' || *p == blank2)) ++p;
            TField field{p, p};
            if (p < end && *p == '"') {
                const char* q = ++p;
                field.Begin = p;
                for (;;) {
                    q = static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                    if (!q) {
                        if (!AtEnd) return TTry::NeedMore;
                        return TTry::Unclosed;
                    }
                    if (q + 1 == end && !AtEnd) return TTry::NeedMore;
                    if (q + 1 < end && q[1] == '"') {
                        field.Escaped = true;
                        p = q + 2;
                        continue;
                    }
                    break;
                }
                for (const char* c = field.Begin; c < q; ++c) lines += *c == '\n';
                field.End = q;
                field.Quoted = true;
                p = q + 1;
                while (p < end && (*p == ' ' || *p == blank2)) ++p;
                if (p < end && !Stop[static_cast<unsigned char>(*p)]) {
                    // Text after the closing quote: the field is taken as written.
                    while (p < end && !Stop[static_cast<unsigned char>(*p)]) ++p;
                    if (p == end && !AtEnd) return TTry::NeedMore;
                    field = TField{fieldStart, p};
                    TrimBlanks(field, blank2);
                }
            } else {
                while (p < end && !Stop[static_cast<unsigned char>(*p)]) ++p;
                field.End = p;
                TrimBlanks(field, blank2);
            }
            if (p == end) {
                if (!AtEnd) return TTry::NeedMore;
                fields.push_back(field);
                ++lines;
                next = p;
                return TTry::Complete;
            }
            fields.push_back(field);
            const char c = *p++;
            if (c == Delimiter) continue;
            if (c == '\r') {
                if (p == end && !AtEnd) return TTry::NeedMore;
                if (p < end && *p == '\n') ++p;
            }
            ++lines;
            next = p;
            return TTry::Complete;
        }
    }

    static void TrimBlanks(TField& field, char blank2)
    {
        while (field.End > field.Begin && (field.End[-1] == ' ' || field.End[-1] == blank2)) --field.End;
    }

    // Moves the unread rest to the front and reads more after it; a record longer than the
    // buffer makes the buffer grow.
    bool Fill()
    {
        if (Begin > 0) {
            std::memmove(Buffer.data(), Buffer.data() + Begin, End - Begin);
            End -= Begin;
            Begin = 0;
        }
        if (End == Buffer.size()) Buffer.resize(Buffer.size() * 2);
        const long got = ReadSome(Fd, Buffer.data() + End, Buffer.size() - End);
        if (got < 0) {
            Error = errno;
            return false;
        }
        if (got == 0) AtEnd = true;
        End += static_cast<std::size_t>(got);
        return true;
    }

    int Fd;
    char Delimiter;
    std::vector<char> Buffer;
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool AtEnd = false;
    int Error = 0;
    std::size_t NextLine = 1;
    bool Stop[256];
};

// A whole field as a number: the common decimal form here (ParseSimpleDecimal), anything
// else through StrToFloat. With `decimalComma`, a comma is a decimal point too.
inline bool ParseNumber(const char* p, const char* const end, bool decimalComma, float& value, unsigned& decimals)
{
    const char* const start = p;
    if (p == end) return false;
    float simple = 0.0f;
    unsigned read = 0;
    if (ParseSimpleDecimal(p, end, decimalComma ? ',' : '.', simple, read) && p == end) {
        value = simple;
        decimals = read;
        return true;
    }
    const std::size_t length = static_cast<std::size_t>(end - start);
    if (!decimalComma) return StrToFloat(std::string_view(start, length), value);
    std::string text(start, length);
    for (char& c : text)
        if (c == ',') c = '.';
    return StrToFloat(text, value);
}

std::string Quoted(const std::string& fileName) { return "\"" + BytesToUtf8(fileName) + "\""; }

std::string LowerExtension(std::string_view fileName)
{
    const std::string name = ExtractFileName(fileName);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos) return {};
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

std::string LineList(const std::vector<std::size_t>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < kListedLines; ++i) text += (i ? ", " : "") + IntToStr(static_cast<long long>(lines[i]));
    if (lines.size() > kListedLines) text += ", …";
    return text;
}

// Lookup of texts without building a string per cell.
struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};
struct TTextEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};

} // namespace

bool IsDelimitedTableFile(std::string_view fileName, std::string_view head)
{
    const std::string extension = LowerExtension(fileName);
    if (extension == ".csv" || extension == ".tsv") return true;
    if (extension != ".txt") return false;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    return head.empty() || head[0] != '#';
}

char DetectDelimiter(std::string_view header, std::string_view fileName)
{
    std::size_t comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        comma += c == ',';
        semicolon += c == ';';
        tab += c == '\t';
    }
    const std::size_t most = std::max({comma, semicolon, tab});
    if (most == 0) return LowerExtension(fileName) == ".tsv" ? '\t' : ',';
    if (LowerExtension(fileName) == ".tsv" && tab == most) return '\t';
    if (comma == most) return ',';
    if (semicolon == most) return ';';
    return '\t';
}

bool IsMissingToken(std::string_view text)
{
    if (text.empty()) return true;
    if (text.size() > 4) return false;
    const std::string upper = UpperCase(text);
    return upper == "NA" || upper == "N/A" || upper == "NAN" || upper == "NULL" || upper == ".";
}

std::string CsvField(std::string_view text, char delimiter)
{
    const bool needsQuotes = text.find_first_of(std::string{delimiter, '"', '\n', '\r'}) != std::string_view::npos ||
                             (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' ||
                                                text.back() == '\t'));
    if (!needsQuotes) return std::string(text);
    std::string field = "\"";
    for (const char c : text) {
        field.push_back(c);
        if (c == '"') field.push_back('"');
    }
    field.push_back('"');
    return field;
}

bool TPreProcessedData::ReadDataFile(const std::string& fileName)
{
    char head[4] = {};
    std::size_t got = 0;
    if (LowerExtension(fileName) == ".txt") {
        const TRegularFile file(fileName);
        const long n = file.Fd >= 0 ? ReadSome(file.Fd, head, sizeof head) : 0;
        got = n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    if (IsDelimitedTableFile(fileName, std::string_view(head, got))) return ReadCsvFile(fileName);
    return ReadTextFile(fileName);
}

bool TPreProcessedData::ReadCsvFile(const std::string& fileName)
{
    Clear();
    auto fail = [this](const std::string& text) {
        Clear();
        ShowMessage(TMessageKind::Plain, "", text);
        return false;
    };
    const std::string notFound = "Could not find text file at specified location " + Quoted(fileName) + ".";
    const std::string cannotRead = "Could not read text file " + Quoted(fileName) + ": ";

    const TRegularFile file(fileName);
    if (file.Fd < 0) return fail(file.NotFound ? notFound : cannotRead + file.Problem);
    if (file.Size == 0) return fail(cannotRead + "the file is empty.");

    // Opens a parser at the start of the file, past a byte order mark, with the delimiter
    // (found on the first pass).
    char delimiter = ',';
    std::string problem;
    auto open = [&](bool detect) -> std::unique_ptr<TCsvParser> {
        if (::lseek(file.Fd, 0, SEEK_SET) != 0) {
            problem = cannotRead + std::strerror(errno) + ".";
            return nullptr;
        }
        auto parser = std::make_unique<TCsvParser>(file.Fd, delimiter);
        const std::string_view head = parser->Head();
        if (parser->ErrorNumber() != 0) {
            problem = cannotRead + std::strerror(parser->ErrorNumber()) + ".";
            return nullptr;
        }
        if (head.find('\0') != std::string_view::npos) {
            problem = cannotRead + "it holds binary data, not text.";
            return nullptr;
        }
        if (head.substr(0, 3) == "\xEF\xBB\xBF") parser->SkipBytes(3);
        if (detect) {
            std::string_view line;
            if (!parser->FirstLine(line)) {
                problem = cannotRead + std::strerror(parser->ErrorNumber()) + ".";
                return nullptr;
            }
            delimiter = DetectDelimiter(line, fileName);
            parser->SetDelimiter(delimiter);
        }
        return parser;
    };
    // A row of one empty field is a blank line, skipped without a word.
    auto blank = [](const std::vector<TField>& fields) {
        return fields.size() == 1 && !fields[0].Quoted && fields[0].Begin == fields[0].End;
    };

    std::unique_ptr<TCsvParser> parser = open(true);
    if (!parser) return fail(problem);
    const bool decimalComma = delimiter == ';';
    std::vector<TField> fields;

    // ---- header
    for (;;) {
        const auto result = parser->Next(fields);
        if (result == TCsvParser::TResult::Error) return fail(cannotRead + std::strerror(parser->ErrorNumber()) + ".");
        if (result == TCsvParser::TResult::End) return fail(cannotRead + "the file is empty.");
        if (result == TCsvParser::TResult::Malformed)
            return fail(cannotRead + "the quote opened in its header row is never closed.");
        if (!blank(fields)) break;
    }
    for (std::size_t j = 0; j < fields.size(); ++j) {
        std::string name = BytesToUtf8(fields[j].Text());
        if (name.empty()) name = "Column" + IntToStr(static_cast<long long>(j + 1));
        AddDimension(name);
        if (UpperCase(name) == "TIME_ATTRIBUTE_NAME") {
            HasTimeAttribute = true;
            TimeAttributeIndex = static_cast<int>(j);
        }
    }

    // ---- data rows
    const std::size_t columnCount = Dimensions.size();
    const std::size_t bound = static_cast<std::size_t>(file.Size) / columnCount + 1;
    const std::size_t reserved = std::min(bound, kMaxReservedCells / columnCount);
    std::vector<std::vector<float>*> columns(columnCount);
    for (std::size_t j = 0; j < columnCount; ++j) {
        Dimensions[j]->Values.reserve(HugePageCapacity(reserved, sizeof(float)));
        AdviseHugePages(Dimensions[j]->Values.data(), Dimensions[j]->Values.capacity() * sizeof(float));
        columns[j] = &Dimensions[j]->Values;
    }
    std::vector<char> isText(columnCount, 0), hasValue(columnCount, 0);
    std::vector<float> lows(columnCount, 0.0f), highs(columnCount, 0.0f);
    std::vector<std::size_t> missing(columnCount, 0);
    TSkippedLines skipped("wrong number of fields or an unclosed quote");
    std::vector<std::size_t> skippedLines;  // the first ones, for the message
    auto skip = [&](std::size_t line) {
        skipped.Add(line);
        if (skippedLines.size() <= kListedLines) skippedLines.push_back(line);
    };
    const float missingMark = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> rowValues(columnCount);
    std::vector<unsigned> rowDecimals(columnCount, 0), decimals(columnCount, 0);  // digits after the point: in the row, most in the column
    std::size_t records = 0;
    for (;;) {
        if (parser->NextNumbers(rowValues.data(), rowDecimals.data(), columnCount, decimalComma)) {
            // Values of text columns are stored too, to be replaced on the second pass.
            for (std::size_t j = 0; j < columnCount; ++j) {
                const float value = rowValues[j];
                decimals[j] = std::max(decimals[j], rowDecimals[j]);
                if (!hasValue[j]) {
                    lows[j] = highs[j] = value;
                    hasValue[j] = 1;
                }
                if (value > highs[j]) highs[j] = value;
                if (value < lows[j]) lows[j] = value;
                columns[j]->push_back(value);
            }
            ++records;
            continue;
        }
        const auto result = parser->Next(fields);
        if (result == TCsvParser::TResult::End) break;
        if (result == TCsvParser::TResult::Error) return fail(cannotRead + std::strerror(parser->ErrorNumber()) + ".");
        if (result == TCsvParser::TResult::Malformed) {
            skip(parser->Line);
            continue;
        }
        if (blank(fields)) continue;  // also in a table of one column: the second pass skips it too
        if (fields.size() != columnCount) {
            skip(parser->Line);
            continue;
        }
        for (std::size_t j = 0; j < columnCount; ++j) {
            const TField& field = fields[j];
            float value = 0.0f;
            if (isText[j]) {
                // The texts are read on the second pass.
            } else if (unsigned read = 0; !field.Escaped && ParseNumber(field.Begin, field.End, decimalComma, value, read)) {
                decimals[j] = std::max(decimals[j], read);
                if (!hasValue[j]) {
                    lows[j] = highs[j] = value;
                    hasValue[j] = 1;
                } else if (value > highs[j]) {
                    highs[j] = value;
                } else if (value < lows[j]) {
                    lows[j] = value;
                }
            } else if (!field.Escaped && IsMissingToken(field.View())) {
                value = missingMark;
                ++missing[j];
            } else {
                isText[j] = 1;
                value = 0.0f;
            }
            columns[j]->push_back(value);
        }
        ++records;
    }
    parser.reset();

    // ---- texts: a second pass over the rows, for the text columns only
    std::vector<std::size_t> textColumns;
    for (std::size_t j = 0; j < columnCount; ++j)
        if (isText[j]) textColumns.push_back(j);
    if (!textColumns.empty()) {
        parser = open(false);
        if (!parser) return fail(problem);
        std::vector<std::unordered_map<std::string, std::uint32_t, TTextHash, TTextEqual>> ids(textColumns.size());
        std::vector<std::vector<std::uint32_t>> rowIds(textColumns.size());
        for (auto& column : rowIds) column.reserve(records);
        bool header = true;
        std::size_t row = 0;
        for (;;) {
            const auto result = parser->Next(fields);
            if (result == TCsvParser::TResult::End) break;
            if (result == TCsvParser::TResult::Error)
                return fail(cannotRead + std::strerror(parser->ErrorNumber()) + ".");
            if (result == TCsvParser::TResult::Malformed || blank(fields)) continue;
            if (header) {
                header = false;
                continue;
            }
            if (fields.size() != columnCount || row == records) continue;
            for (std::size_t t = 0; t < textColumns.size(); ++t) {
                const TField& field = fields[textColumns[t]];
                std::string escaped;
                const std::string_view text = field.Escaped ? std::string_view(escaped = field.Text()) : field.View();
                auto found = ids[t].find(text);
                if (found == ids[t].end())
                    found = ids[t].emplace(std::string(text), static_cast<std::uint32_t>(ids[t].size())).first;
                rowIds[t].push_back(found->second);
            }
            ++row;
        }
        parser.reset();
        for (std::size_t t = 0; t < textColumns.size(); ++t) {
            TPreProcessedDimension* dimension = Dimensions[textColumns[t]].get();
            // Texts as UTF-8, sorted by their bytes; two spellings of one text (Latin-1 and
            // UTF-8) become one category.
            std::vector<std::string> utf8(ids[t].size());
            for (const auto& [text, id] : ids[t]) utf8[id] = BytesToUtf8(text);
            std::vector<std::string> sorted = utf8;
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            std::vector<float> category(utf8.size());
            for (std::size_t id = 0; id < utf8.size(); ++id)
                category[id] = static_cast<float>(std::lower_bound(sorted.begin(), sorted.end(), utf8[id]) - sorted.begin());
            std::vector<float>& values = dimension->Values;
            for (std::size_t k = 0; k < rowIds[t].size() && k < values.size(); ++k) values[k] = category[rowIds[t][k]];
            dimension->Categories = std::move(sorted);
            dimension->IsString = true;
            lows[textColumns[t]] = 0.0f;
            highs[textColumns[t]] = dimension->Categories.empty() ? 0.0f : static_cast<float>(dimension->Categories.size() - 1);
            missing[textColumns[t]] = 0;
        }
    }

    // ---- missing cells, normalise, rank and count, records
    std::size_t missingCells = 0;
    {
        TRankScratch scratch;
        for (std::size_t j = 0; j < columnCount; ++j) {
            TPreProcessedDimension* dimension = Dimensions[j].get();
            std::vector<float>& values = dimension->Values;
            if (missing[j] > 0) {
                // Missing cells take the column's lowest value, so they normalise to 0.
                missingCells += missing[j];
                for (float& value : values)
                    if (std::isnan(value)) value = lows[j];
            }
            ReleaseUnusedPages(values.data() + values.size(), (values.capacity() - values.size()) * sizeof(float));
            dimension->SetHighLow(highs[j], lows[j]);
            dimension->NormaliseAndComputeFrequencies(decimals[j], scratch);
        }
    }
    BuildRecords();
    RelevanceValuesTimeStamp = NewChangeStamp();
    FrequencyValuesTimeStamp = NewChangeStamp();
    TimeDiscreteRange = 12;
    TimeMoment = RecordsNumber;

    if (missingCells > 0)
        LoadNotes.push_back("- Missing cells: " + IntToStr(static_cast<long long>(missingCells)) +
                            " (shown at their column's lowest value)");
    NoteWideRanges();
    skipped.AppendNote(LoadNotes);
    if (skipped.Skipped() > 0) {
        const std::string count = IntToStr(static_cast<long long>(skipped.Skipped()));
        const std::string lines = LineList(skippedLines);
        const bool one = skipped.Skipped() == 1;
        ShowMessage(TMessageKind::Plain, "",
                    "Skipped " + count + (one ? " row" : " rows") + " of " + Quoted(fileName) +
                        " with the wrong number of fields or an unclosed quote, at line" + (one ? " " : "s ") + lines + ".");
    }
    return true;
}
