#pragma once
// Small helpers for dataset tests: a temporary directory that holds fixture files.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

class TTempDirectory {
public:
    TTempDirectory()
    {
        static int counter = 0;
        Path = std::filesystem::temp_directory_path() /
               ("lumetra-data-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(Path);
    }
    ~TTempDirectory()
    {
        std::error_code ignored;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(Path, ignored);
    }
    TTempDirectory(const TTempDirectory&) = delete;
    TTempDirectory& operator=(const TTempDirectory&) = delete;

    // Writes `content` byte for byte into a file of this directory and returns its path.
    std::string Write(const std::string& name, const std::string& content) const
    {
        const auto path = Path / name;
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path.string();
    }
    std::string PathOf(const std::string& name) const { return (Path / name).string(); }

    std::filesystem::path Path;
};

// The normalised values of dimension i in record order.
inline std::vector<float> ColumnValues(const TPreProcessedData& data, int i)
{
    std::vector<float> values;
    for (int k = 0; k < data.RecordsNumber; ++k) values.push_back(data.GetCell(i, k).Value());
    return values;
}

inline std::vector<float> ColumnWeights(const TPreProcessedData& data, int i)
{
    std::vector<float> values;
    for (int k = 0; k < data.RecordsNumber; ++k) values.push_back(data.GetCell(i, k).Weight());
    return values;
}
