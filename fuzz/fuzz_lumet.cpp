// Fuzz target: the dataset text file (.lumet) reader.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzDatasetReader(data, size, "fuzz.lumet",
                             [](TPreProcessedData& dataset, const std::string& file) { return dataset.ReadTextFile(file); });
}
