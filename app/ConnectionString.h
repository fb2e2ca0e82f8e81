#pragma once
// Connection strings: "Key=Value;Key=Value;…". Keys are case-insensitive (kept upper-cased)
// and blanks around keys and unquoted values are ignored; a value may be quoted with "…" or
// '…', a doubled quote standing for one inside. No Qt: the parser is fuzzed on its own.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct TConnectionString {
    std::vector<std::pair<std::string, std::string>> Pairs;  // keys upper-cased, in order

    // The value of the first of `keys` present (each upper-case), or empty.
    std::string Get(std::initializer_list<const char*> keys) const;
    bool Has(const char* key) const;
};

TConnectionString ParseConnectionString(const std::string& text);

// The connection string of an SQLite database file: the path quoted, so any path reads back.
std::string SqliteConnectionString(const std::string& databaseFile);

// `text` without the blanks (any white space) at both ends.
std::string TrimBlanks(const std::string& text);
