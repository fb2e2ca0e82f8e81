#pragma once
// Writing records out: a set of records of a dataset, with their values in the dimensions'
// own units (texts for text columns), as a CSV table or a `.lumet` file that loads back into
// the same records.
#include <string>

#include "data/PreProcessedData.h"

enum class TRecordFileFormat { Csv, Lumet };

// ".lumet" (in any case) gives Lumet, anything else Csv.
TRecordFileFormat RecordFileFormatOf(const std::string& fileName);

// A value in a dimension's own units as an exported file holds it: the shortest decimal
// that reads back within the dimension's own precision (4 units in the last place of its
// largest magnitude), so 2.9999998 is written 3 and 574.26001 is written 574.26.
std::string ExportNumberText(const TPreProcessedDimension& dimension, float value);

// Writes `records` of `data` (all records when `records` is null). The file is written
// under a temporary name and renamed at the end, so a failed export leaves an existing file
// as it was. False, with `error` saying why, when it cannot be written.
//   Csv: a header row of the names, then one row per record, comma-separated, quoted where
//   needed; text columns hold their texts.
//   Lumet: "#" and the names (blanks in a name become "_", which the format cannot hold),
//   then one line per record; text columns hold their category numbers (the format reads
//   any other text as the record's number), as a comment line says.
bool WriteRecords(const TPreProcessedData& data, const TRecordList* records, const std::string& fileName,
                  TRecordFileFormat format, std::string& error);
