#pragma once
// Delimited tables (CSV, TSV): which files are read as such, and the pieces of the reader
// that tests and the record export share.
#include <string>
#include <string_view>

// Whether a data file is a delimited table rather than a `.lumet` file: ".csv" and ".tsv"
// always; ".txt" unless its first character (after a byte order mark) is "#", which marks a
// `.lumet` header. `head` is the start of the file.
bool IsDelimitedTableFile(std::string_view fileName, std::string_view head);

// The field delimiter of a table whose first line is `header`: the most frequent of comma,
// semicolon and tab outside quotes (comma when none occurs; on a tie the extension's
// delimiter, tab for ".tsv", then comma, semicolon, tab).
char DetectDelimiter(std::string_view header, std::string_view fileName);

// Whether a cell's text is one of the usual missing-value tokens (empty, NA, N/A, NaN, null,
// ".", in any case).
bool IsMissingToken(std::string_view text);

// A field as a delimited table writes it: quoted (with doubled quotes) when it holds the
// delimiter, a quote, a line break, or blanks at either end; as it is otherwise.
std::string CsvField(std::string_view text, char delimiter);
