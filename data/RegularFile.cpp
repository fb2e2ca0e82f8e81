#include "data/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

TRegularFile::TRegularFile(const std::string& fileName)
{
    // Opened without blocking: a named pipe or a device would otherwise wait in open() for a
    // writer. A regular file ignores the flag; it is cleared once the kind is known.
    const int fd = fileName.empty() ? -1 : ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = fileName.empty() ? ENOENT : errno;
        NotFound = error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP;
        Problem = error == EACCES || error == EPERM ? "permission denied." : std::string(std::strerror(error)) + ".";
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) Problem = std::string(std::strerror(errno)) + ".";
    else if (S_ISDIR(info.st_mode)) Problem = "it is a directory.";
    else if (!S_ISREG(info.st_mode)) Problem = "it is not a regular file.";
    if (!Problem.empty()) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Fd = fd;
    Size = static_cast<std::int64_t>(info.st_size);
}

TRegularFile::~TRegularFile()
{
    if (Fd >= 0) ::close(Fd);
}

long ReadSome(int fd, char* to, std::size_t room)
{
    for (;;) {
        const ssize_t got = ::read(fd, to, room);
        if (got < 0 && errno == EINTR) continue;
        return static_cast<long>(got);
    }
}
