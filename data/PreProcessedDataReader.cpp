// The dataset text file reader.
//
// The file is streamed once through a fixed buffer; lines are split in place and numbers
// parsed straight from the buffer, so reading allocates nothing per line or per token.
// Each dimension's values are reserved once for an upper bound of the record count taken
// from the file size (a data line needs at least two bytes per field), so the columns never
// grow by doubling; the reserved pages that stay untouched cost no memory.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "data/PreProcessedData.h"
#include "data/RegularFile.h"

namespace {

constexpr std::size_t kMaxLineLength = 9999;      // characters, without the line end
constexpr std::size_t kBlockSize = 1 << 20;       // bytes read at a time
constexpr std::size_t kBinaryProbe = 1 << 16;     // leading bytes checked for NUL
constexpr std::size_t kMaxReservedCells = 1u << 28;  // cap of the up-front reservation

// Reads a file block by block and hands out its lines without their line ends. A line ends
// at an LF, at CRs followed by an LF (all of them dropped), or at a lone CR (old Macintosh
// files), so every common way of ending lines gives the same lines.
class TLineReader {
public:
    explicit TLineReader(int fd) : Fd(fd), Buffer(kBlockSize) {}

    enum class TResult { Line, TooLong, End, Error };

    // The next line in `line` (valid until the next call).
    TResult Next(std::string_view& line)
    {
        std::size_t searched = Begin;
        for (;;) {
            const std::size_t at = FindLineEnd(searched);
            if (at < End) {
                if (const std::size_t length = EndLength(at)) {
                    const char* start = Buffer.data() + Begin;
                    const std::size_t size = at - Begin;
                    Begin = at + length;
                    return Deliver(start, size, line);
                }
            } else if (AtEnd) {
                if (Begin == End) return TResult::End;
                const char* start = Buffer.data() + Begin;
                const std::size_t size = End - Begin;
                Begin = End;
                return Deliver(start, size, line);
            }
            if (at - Begin > kMaxLineLength) return SkipRestOfLine();
            searched = at - Begin;  // a CR whose end is still open is looked at again
            if (!Fill()) return TResult::Error;
            searched += Begin;
        }
    }

    // The first bytes of the file (after the first Fill), for the binary check.
    std::string_view Head()
    {
        if (End == 0 && !AtEnd) Fill();
        return {Buffer.data() + Begin, std::min(End - Begin, kBinaryProbe)};
    }
    void SkipBytes(std::size_t count) { Begin += std::min(count, End - Begin); }
    // Frees the buffer once reading is over.
    void Release() { std::vector<char>().swap(Buffer); }
    int ErrorNumber() const { return Error; }

private:
    TResult Deliver(const char* start, std::size_t length, std::string_view& line)
    {
        if (length > kMaxLineLength) return TResult::TooLong;
        line = std::string_view(start, length);
        return TResult::Line;
    }

    // Where the line ends: the first CR or LF at or after `from`, or End when there is none.
    std::size_t FindLineEnd(std::size_t from)
    {
        const char* base = Buffer.data();
        const auto* lf = static_cast<const char*>(std::memchr(base + from, '\n', End - from));
        const std::size_t lfAt = lf ? static_cast<std::size_t>(lf - base) : End;
        return std::min(FirstCr(from), lfAt);
    }

    // The first CR at or after `from`, or End. Most files hold no CR at all: the search is
    // remembered ([CrFrom, CrAt) holds no CR, and CrAt is a CR or the end of what was
    // searched), so such a file is searched for CRs once per block, not once per line.
    std::size_t FirstCr(std::size_t from)
    {
        const char* base = Buffer.data();
        auto search = [&](std::size_t start) {
            const auto* cr = static_cast<const char*>(std::memchr(base + start, '\r', End - start));
            CrAt = cr ? static_cast<std::size_t>(cr - base) : End;
            CrTo = End;
        };
        if (from < CrFrom || from > CrAt) {
            CrFrom = from;
            search(from);
        } else if (CrAt == CrTo && CrTo < End) {
            search(CrTo);
        }
        return CrAt;
    }

    // The length of the line end at `at` (a CR or an LF): CRs followed by an LF end one line
    // together, a lone CR ends one by itself. 0 while the bytes read so far cannot tell; a
    // run of CRs longer than a line counts as lone CRs, so the buffer never fills up.
    std::size_t EndLength(std::size_t at) const
    {
        if (Buffer[at] == '\n') return 1;
        std::size_t q = at;
        while (q < End && Buffer[q] == '\r' && q - at <= kMaxLineLength) ++q;
        if (q < End) return Buffer[q] == '\n' ? q - at + 1 : 1;
        return AtEnd ? 1 : 0;
    }

    // Drops everything up to and including the end of the current line.
    TResult SkipRestOfLine()
    {
        for (;;) {
            const std::size_t at = FindLineEnd(Begin);
            if (at < End) {
                if (const std::size_t length = EndLength(at)) {
                    Begin = at + length;
                    return TResult::TooLong;
                }
                Begin = at;  // the CRs are looked at again after more bytes
            } else {
                Begin = End;
                if (AtEnd) return TResult::TooLong;
            }
            if (!Fill()) return TResult::Error;
        }
    }

    // Moves the unread rest to the front and reads more after it.
    bool Fill()
    {
        if (Begin > 0) {
            std::memmove(Buffer.data(), Buffer.data() + Begin, End - Begin);
            End -= Begin;
            if (CrFrom >= Begin) {
                CrFrom -= Begin;
                CrAt -= Begin;
                CrTo -= Begin;
            } else {
                CrFrom = CrAt = CrTo = 0;  // searched again from the start
            }
            Begin = 0;
        }
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
    std::vector<char> Buffer;
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::size_t CrFrom = 0, CrAt = 0, CrTo = 0;  // the remembered search for CRs
    bool AtEnd = false;
    int Error = 0;
};

// Reads one token starting at `p` (not a blank) up to the next blank or `end`, and returns
// where it ends. The common decimal form is converted here (ParseSimpleDecimal); any other
// token goes to StrToFloat, and a token that is no number at all gives `other`.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline const char* ReadToken(const char* p, const char* end, char separator, float other, float& value,
                             unsigned& decimals)
{
    const char* const start = p;
    float simple = 0.0f;
    unsigned read = 0;
    if (ParseSimpleDecimal(p, end, separator, simple, read) && (p == end || IsBlank(*p))) {
        value = simple;
        decimals = read;
        return p;
    }
    while (p < end && !IsBlank(*p)) ++p;
    if (!StrToFloat(std::string_view(start, static_cast<std::size_t>(p - start)), value)) value = other;
    return p;
}

std::string Quoted(const std::string& fileName) { return "\"" + BytesToUtf8(fileName) + "\""; }

} // namespace

bool TPreProcessedData::ReadTextFile(const std::string& fileName)
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

    TLineReader reader(file.Fd);
    const std::string_view head = reader.Head();
    if (reader.ErrorNumber() != 0) return fail(cannotRead + std::strerror(reader.ErrorNumber()) + ".");
    if (head.empty()) return fail(cannotRead + "the file is empty.");
    if (head.find('\0') != std::string_view::npos) return fail(cannotRead + "it holds binary data, not text.");
    if (head.substr(0, 3) == "\xEF\xBB\xBF") reader.SkipBytes(3);  // a UTF-8 byte order mark

    // ---- header
    std::string_view header;
    switch (reader.Next(header)) {
    case TLineReader::TResult::Line: break;
    case TLineReader::TResult::TooLong:
        return fail(cannotRead + "its header line is longer than " + IntToStr(kMaxLineLength) + " characters.");
    case TLineReader::TResult::End: return fail(cannotRead + "the file is empty.");
    case TLineReader::TResult::Error: return fail(cannotRead + std::strerror(reader.ErrorNumber()) + ".");
    }
    if (header.empty() || header[0] != '#') return fail("Missing field names in text file, operation aborted.");
    {
        // The first name ends at a blank or '#', the later ones at blanks only.
        std::size_t pos = 0;
        while (pos < header.size() && (IsBlank(header[pos]) || header[pos] == '#')) ++pos;
        std::size_t start = pos;
        while (pos < header.size() && !IsBlank(header[pos]) && header[pos] != '#') ++pos;
        std::vector<std::string_view> names;
        if (pos > start) {
            names.push_back(header.substr(start, pos - start));
            if (pos < header.size()) ++pos;
            for (;;) {
                while (pos < header.size() && IsBlank(header[pos])) ++pos;
                if (pos == header.size()) break;
                start = pos;
                while (pos < header.size() && !IsBlank(header[pos])) ++pos;
                names.push_back(header.substr(start, pos - start));
            }
        }
        if (names.empty()) return fail("Missing field names in text file, operation aborted.");
        for (const std::string_view name : names) {
            AddDimension(BytesToUtf8(name));
            if (UpperCase(name) == "TIME_ATTRIBUTE_NAME") {
                HasTimeAttribute = true;
                TimeAttributeIndex = NumberOfDimensions() - 1;
            }
        }
    }

    // ---- data lines
    const std::size_t fields = Dimensions.size();
    const std::size_t bound = static_cast<std::size_t>(file.Size) / (2 * fields) + 1;
    const std::size_t reserved = std::min(bound, kMaxReservedCells / fields);
    std::vector<std::vector<float>*> columns(fields);
    for (std::size_t j = 0; j < fields; ++j) {
        Dimensions[j]->Values.reserve(HugePageCapacity(reserved, sizeof(float)));
        AdviseHugePages(Dimensions[j]->Values.data(), Dimensions[j]->Values.capacity() * sizeof(float));
        columns[j] = &Dimensions[j]->Values;
    }
    std::vector<float> lineValues(fields);
    std::vector<unsigned> lineDecimals(fields, 0), decimals(fields, 0);  // digits after the point: on the line, most in the column
    // Each column's range, kept while reading (as Normalise would find it: the first value,
    // then every strictly larger or smaller one), saves a pass over the values.
    std::vector<float> lows(fields), highs(fields);
    const char separator = DecimalSeparator();
    std::size_t records = 0;
    std::size_t lineNumber = 1;  // the header's
    TSkippedLines wrongCount("not " + IntToStr(static_cast<long long>(fields)) + (fields == 1 ? " value" : " values"));
    TSkippedLines tooLong("longer than " + IntToStr(kMaxLineLength) + " characters");
    for (;;) {
        std::string_view line;
        const auto result = reader.Next(line);
        if (result == TLineReader::TResult::End) break;
        if (result == TLineReader::TResult::Error) return fail(cannotRead + std::strerror(reader.ErrorNumber()) + ".");
        ++lineNumber;
        if (result == TLineReader::TResult::TooLong) {
            tooLong.Add(lineNumber);
            continue;
        }
        if (line.empty() || line[0] == '%') continue;
        const char* p = line.data();
        const char* const end = p + line.size();
        std::size_t count = 0;
        bool accepted = true;
        for (;;) {
            while (p < end && IsBlank(*p)) ++p;
            if (p == end) break;
            if (count == fields) {
                accepted = false;
                break;
            }
            p = ReadToken(p, end, separator, static_cast<float>(records), lineValues[count], lineDecimals[count]);
            ++count;
        }
        if (!accepted || count != fields) {
            if (count > 0) wrongCount.Add(lineNumber);  // blank lines pass silently
            continue;
        }
        if (records == 0) {
            lows = lineValues;
            highs = lineValues;
        }
        for (std::size_t j = 0; j < fields; ++j) {
            const float value = lineValues[j];
            columns[j]->push_back(value);
            if (value > highs[j]) highs[j] = value;
            if (value < lows[j]) lows[j] = value;
            decimals[j] = std::max(decimals[j], lineDecimals[j]);
            lineDecimals[j] = 0;
        }
        ++records;
    }

    // ---- normalise, rank and count, records
    // The reserved but unused tail of each column goes back to the system first (the last
    // huge page written is only partly used).
    reader.Release();
    {
        TRankScratch scratch;  // freed before the records are made, to keep the peak low
        for (std::size_t j = 0; j < fields; ++j) {
            TPreProcessedDimension* dimension = Dimensions[j].get();
            std::vector<float>& values = dimension->Values;
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
    NoteWideRanges();
    wrongCount.AppendNote(LoadNotes);
    tooLong.AppendNote(LoadNotes);
    return true;
}
