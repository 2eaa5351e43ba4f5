#include "WkAtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
std::atomic<unsigned> gTempCounter{0};
} // namespace

bool WriteFileAtomically(const std::filesystem::path& givenPath, std::string_view bytes) {
    std::error_code error;
    std::filesystem::path path = givenPath;
    if (std::filesystem::is_symlink(path, error)) {
        path = std::filesystem::weakly_canonical(path, error);
        if (error) {
            return false;
        }
    }
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++gTempCounter);
    // The kernel applies the umask to a new file's 0666.
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        if (ok) {
            written += static_cast<std::size_t>(n);
        }
    }
    struct stat previous {};
    if (ok && ::stat(path.c_str(), &previous) == 0) {
        ok = ::fchmod(fd, previous.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        std::filesystem::rename(temp, path, error);
        ok = !error;
    }
    if (!ok) {
        std::filesystem::remove(temp, error);
    }
    return ok;
}
