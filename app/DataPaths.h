#pragma once
// Where the bundled sample data lies, wherever the program is started from.
#include <string>

// The DataSets folder: next to the executable's build tree or installation when present,
// otherwise the source tree the program was built from. Absolute path, no trailing slash.
std::string DataSetsDirectory();
// DataSetsDirectory() + "/" + fileName.
std::string DataSetPath(const std::string& fileName);
