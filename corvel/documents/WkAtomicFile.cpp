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

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    return WriteFileAtomically(path, [bytes](const WkFileWriter& write) { return write(bytes); });
}

bool WriteFileAtomically(const std::filesystem::path& givenPath,
                         const std::function<bool(const WkFileWriter& write)>& produce) {
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
    const WkFileWriter write = [fd](std::string_view bytes) {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            written += static_cast<std::size_t>(n);
        }
        return true;
    };
    bool ok = produce(write);
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
