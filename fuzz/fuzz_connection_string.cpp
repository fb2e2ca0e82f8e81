// Fuzz target: the connection-string parser. Any text parses; keys come out upper-cased,
// trimmed and non-empty; and a path written by SqliteConnectionString reads back unchanged.
#include <cctype>
#include <string>

#include "app/ConnectionString.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TConnectionString parsed = ParseConnectionString(text);
    for (const auto& [key, value] : parsed.Pairs) {
        FUZZ_CHECK(!key.empty());
        FUZZ_CHECK(key == TrimBlanks(key));
        for (const char c : key) FUZZ_CHECK(!(c >= 'a' && c <= 'z'));
        FUZZ_CHECK(key.find(';') == std::string::npos && key.find('=') == std::string::npos);
    }
    const TConnectionString written = ParseConnectionString(SqliteConnectionString(text));
    FUZZ_CHECK(written.Get({"PROVIDER"}) == "SQLite");
    FUZZ_CHECK(written.Get({"DATA SOURCE"}) == text);
    return 0;
}
