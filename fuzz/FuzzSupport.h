#pragma once
// What the fuzz targets share: the entry point libFuzzer calls, and a check that stops the
// run with a message when an invariant of a reader does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "data/PreProcessedData.h"

// Loads `data` as a file in memory (the readers take a path and read regular files only)
// with `read`, and checks what every reader promises: a load either fails, leaving the
// dataset empty, or gives a consistent dataset whose values all lie in [0, 1].
template <typename TRead> int FuzzDatasetReader(const std::uint8_t* data, std::size_t size, const char* name, TRead read)
{
    static const bool quiet = [] {
        SetMessageFunction([](TMessageKind, const std::string&, const std::string&) {});
        return true;
    }();
    (void)quiet;
    const int fd = ::memfd_create(name, MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    {
        TPreProcessedData dataset;
        const bool ok = read(dataset, "/proc/self/fd/" + std::to_string(fd));
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
