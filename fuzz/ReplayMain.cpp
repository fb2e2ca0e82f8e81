// A main for compilers without libFuzzer: runs the target once on every file named or found
// in the folders named on the command line, so the seed corpus is replayed in every build
// (the sanitizer build included).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "fuzz/FuzzSupport.h"

namespace {
int RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::cout << "replay " << path.filename().string() << " (" << bytes.size() << " bytes)" << std::endl;
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    int failures = 0, inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) {
                    failures += RunFile(entry.path());
                    ++inputs;
                }
        } else {
            failures += RunFile(path);
            ++inputs;
        }
    }
    std::cout << inputs << " inputs replayed" << std::endl;
    return failures == 0 && inputs > 0 ? 0 : 1;
}
