#pragma once
// Opening a data file for reading, shared by the readers. Only a regular file is read: a
// named pipe or a device is refused without waiting for a writer or for input.
#include <cstddef>
#include <cstdint>
#include <string>

class TRegularFile {
public:
    // On failure Fd is -1; NotFound tells a missing file from one that cannot be read, and
    // Problem says why in words ("permission denied.", "it is a directory.", ...).
    explicit TRegularFile(const std::string& fileName);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    int Fd = -1;
    bool NotFound = false;
    std::string Problem;
    std::int64_t Size = 0;  // bytes, when open
};

// Reads at most `room` bytes into `to`, again when a signal interrupts: the count (0 at the
// end of the file), or -1 with errno set.
long ReadSome(int fd, char* to, std::size_t room);
