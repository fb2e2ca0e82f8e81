#include "app/ConnectionString.h"

#include <cctype>

#include "data/Auxiliar.h"

std::string TrimBlanks(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

std::string TConnectionString::Get(std::initializer_list<const char*> keys) const
{
    for (const char* key : keys)
        for (const auto& [k, v] : Pairs)
            if (k == key) return v;
    return {};
}

bool TConnectionString::Has(const char* key) const
{
    for (const auto& pair : Pairs)
        if (pair.first == key) return true;
    return false;
}

TConnectionString ParseConnectionString(const std::string& text)
{
    TConnectionString result;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        std::string key;
        while (i < n && text[i] != '=' && text[i] != ';') key += text[i++];
        std::string value;
        if (i < n && text[i] == '=') {
            ++i;
            while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            if (i < n && (text[i] == '"' || text[i] == '\'')) {
                const char quote = text[i++];
                while (i < n) {
                    if (text[i] == quote) {
                        if (i + 1 < n && text[i + 1] == quote) {
                            value += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += text[i++];
                }
                while (i < n && text[i] != ';') ++i;  // anything after the closing quote
            } else {
                while (i < n && text[i] != ';') value += text[i++];
                value = TrimBlanks(value);
            }
        }
        if (i < n && text[i] == ';') ++i;
        key = UpperCase(TrimBlanks(key));
        if (!key.empty()) result.Pairs.emplace_back(key, value);
    }
    return result;
}

std::string SqliteConnectionString(const std::string& databaseFile)
{
    std::string quoted;
    for (char c : databaseFile) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return "Provider=SQLite;Data Source=\"" + quoted + "\"";
}
