// Fuzz target: the delimited-table (CSV, TSV) reader.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzDatasetReader(data, size, "fuzz.csv",
                             [](TPreProcessedData& dataset, const std::string& file) { return dataset.ReadCsvFile(file); });
}
