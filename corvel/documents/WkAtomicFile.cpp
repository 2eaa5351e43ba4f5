#include "WkAtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {
std::atomic<unsigned> gTempCounter{0};

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

std::string ErrnoText(const std::filesystem::path& path, int code) {
    return path.string() + ": " + std::strerror(code);
}
} // namespace

std::string NonRegularFileKind(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    switch (info.st_mode & S_IFMT) {
    case S_IFREG:
        return {};
    case S_IFDIR:
        return "a directory";
    case S_IFIFO:
        return "a FIFO";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFSOCK:
        return "a socket";
    default:
        return "a special file";
    }
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error) {
    return WriteFileAtomically(
        path, [bytes](const WkFileWriter& write) { return write(bytes); }, error);
}

bool WriteFileAtomically(const std::filesystem::path& givenPath,
                         const std::function<bool(const WkFileWriter& write)>& produce,
                         std::string* error) {
    std::error_code fsError;
    std::filesystem::path path = givenPath;
    if (std::filesystem::is_symlink(path, fsError)) {
        path = std::filesystem::weakly_canonical(path, fsError);
        if (fsError) {
            return Fail(error, givenPath.string() + ": " + fsError.message());
        }
    }
    // A rename would put a regular file in the place of a device node or a FIFO.
    if (const std::string kind = NonRegularFileKind(path); !kind.empty()) {
        return Fail(error, givenPath.string() + " is " + kind + ", not a regular file");
    }
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++gTempCounter);
    // The kernel applies the umask to a new file's 0666.
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Fail(error, ErrnoText(givenPath, errno));
    }
    int failure = 0;
    const WkFileWriter write = [fd, &failure](std::string_view bytes) {
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                failure = n < 0 ? errno : EIO;
                return false;
            }
            written += static_cast<std::size_t>(n);
        }
        return true;
    };
    bool ok = produce(write);
    struct stat previous {};
    if (ok && ::stat(path.c_str(), &previous) == 0 && ::fchmod(fd, previous.st_mode & 07777) != 0) {
        ok = false;
        failure = errno;
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        failure = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok) {
        std::filesystem::rename(temp, path, fsError);
        ok = !fsError;
        if (fsError) {
            failure = fsError.value();
        }
    }
    if (!ok) {
        std::filesystem::remove(temp, fsError);
        return Fail(error, failure != 0 ? ErrnoText(givenPath, failure)
                                        : givenPath.string() + ": not written");
    }
    return true;
}
