#include "data/RecordExport.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "data/CsvReader.h"

TRecordFileFormat RecordFileFormatOf(const std::string& fileName)
{
    const std::string name = UpperCase(ExtractFileName(fileName));
    return name.size() > 6 && name.compare(name.size() - 6, 6, ".LUMET") == 0 ? TRecordFileFormat::Lumet
                                                                               : TRecordFileFormat::Csv;
}

std::string ExportNumberText(const TPreProcessedDimension& dimension, float value)
{
    if (!std::isfinite(value)) return "0";
    const double magnitude = std::max({std::fabs(static_cast<double>(dimension.LowValue)),
                                       std::fabs(static_cast<double>(dimension.HighValue)), std::fabs(static_cast<double>(value))});
    const float big = static_cast<float>(magnitude);
    const double tolerance =
        4.0 * (static_cast<double>(std::nextafter(big, std::numeric_limits<float>::infinity())) - big);
    char buffer[64];
    for (int decimals = 0; decimals <= 12; ++decimals) {
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                           std::chars_format::fixed, decimals);
        if (written.ec != std::errc()) break;
        double back = 0;
        std::from_chars(buffer, written.ptr, back);
        if (std::fabs(back - static_cast<double>(value)) <= tolerance) {
            std::string text(buffer, written.ptr);
            if (text == "-0") text = "0";
            return text;
        }
    }
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

namespace {
class TOutput {
public:
    explicit TOutput(const std::string& fileName) : File(std::fopen(fileName.c_str(), "wb")) {}
    ~TOutput()
    {
        if (File) std::fclose(File);
    }
    TOutput(const TOutput&) = delete;
    TOutput& operator=(const TOutput&) = delete;
    bool Open() const { return File != nullptr; }
    void Write(const std::string& text)
    {
        if (File && !text.empty() && std::fwrite(text.data(), 1, text.size(), File) != text.size()) Failed = errno ? errno : EIO;
    }
    // 0, or the error number of the first failure.
    int Close()
    {
        if (File && std::fclose(File) != 0 && !Failed) Failed = errno ? errno : EIO;
        File = nullptr;
        return Failed;
    }

private:
    std::FILE* File;
    int Failed = 0;
};
} // namespace

bool WriteRecords(const TPreProcessedData& data, const TRecordList* records, const std::string& fileName,
                  TRecordFileFormat format, std::string& error)
{
    const std::string shown = "\"" + BytesToUtf8(fileName) + "\"";
    const std::string temporary = fileName + ".part" + IntToStr(static_cast<long long>(::getpid()));
    const TRecordList& list = records ? *records : data.ListOfPreprocessedRecords;
    const int n = data.NumberOfDimensions();
    const bool csv = format == TRecordFileFormat::Csv;
    {
        TOutput out(temporary);
        if (!out.Open()) {
            error = "Could not write file " + shown + ": " + std::strerror(errno) + ".";
            return false;
        }
        std::string text = csv ? "" : "#";
        std::string textColumns;
        for (int i = 0; i < n; ++i) {
            std::string name = data.GetDimensionName(i);
            if (csv) {
                text += (i ? "," : "") + CsvField(name, ',');
            } else {
                std::replace(name.begin(), name.end(), ' ', '_');
                std::replace(name.begin(), name.end(), '\t', '_');
                if (name.empty()) name = "_";
                text += (i ? " " : "") + name;
                if (!data.GetDimension(i)->Categories.empty()) textColumns += " " + name;
            }
        }
        text += "\n";
        if (!textColumns.empty()) text += "% text columns written as category numbers:" + textColumns + "\n";
        for (const TPreProcessedRecord* record : list) {
            for (int i = 0; i < n; ++i) {
                const TPreProcessedDimension& dimension = *data.GetDimension(i);
                const float value = dimension.Denormalise(data.Value(i, record));
                if (i) text += csv ? "," : " ";
                if (csv && !dimension.Categories.empty())
                    text += CsvField(dimension.ValueText(value), ',');
                else if (!dimension.Categories.empty())
                    text += IntToStr(static_cast<long long>(std::nearbyint(value)));
                else
                    text += ExportNumberText(dimension, value);
            }
            text += "\n";
            if (text.size() >= (1u << 20)) {
                out.Write(text);
                text.clear();
            }
        }
        out.Write(text);
        if (const int failed = out.Close()) {
            std::remove(temporary.c_str());
            error = "Could not write file " + shown + ": " + std::strerror(failed) + ".";
            return false;
        }
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        error = "Could not write file " + shown + ": " + std::strerror(errno) + ".";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
