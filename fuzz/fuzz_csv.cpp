// Fuzz target: the delimited-table (CSV, TSV) reader. The bytes become a file in memory (the reader
// takes a path and reads regular files only); a load either fails, leaving the dataset
// empty, or gives a consistent dataset whose values all lie in [0, 1].
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "data/PreProcessedData.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool quiet = [] {
        SetMessageFunction([](TMessageKind, const std::string&, const std::string&) {});
        return true;
    }();
    (void)quiet;
    const int fd = ::memfd_create("fuzz.csv", MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    {
        TPreProcessedData dataset;
        const bool ok = dataset.ReadCsvFile("/proc/self/fd/" + std::to_string(fd));
        if (!ok) {
            FUZZ_CHECK(dataset.NumberOfDimensions() == 0);
            FUZZ_CHECK(dataset.RecordsNumber == 0);
        } else {
            FUZZ_CHECK(dataset.NumberOfDimensions() > 0);
            FUZZ_CHECK(static_cast<int>(dataset.ListOfPreprocessedRecords.size()) == dataset.RecordsNumber);
            for (int i = 0; i < dataset.NumberOfDimensions(); ++i) {
                const TPreProcessedDimension* dimension = dataset.GetDimension(i);
                FUZZ_CHECK(static_cast<int>(dimension->Count()) == dataset.RecordsNumber);
                for (const float value : dimension->Values) FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
                for (const float weight : dimension->Weights) FUZZ_CHECK(weight > 0.0f && weight <= 1.0f);
            }
        }
    }
    ::close(fd);
    return 0;
}
