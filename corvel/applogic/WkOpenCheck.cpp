#include "WkOpenCheck.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> UnreadableFileReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::string(std::strerror(errno)) + ".";
    }
    if (S_ISDIR(st.st_mode)) {
        return "It is a folder, not a file.";
    }
    if (!S_ISREG(st.st_mode)) {
        return "It is not a regular file (a device, a FIFO or a socket).";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::string(std::strerror(errno)) + ".";
    }
    ::close(fd);
    return std::nullopt;
}
