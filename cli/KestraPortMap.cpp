#include "KestraPortMap.h"

#include "KestraError.h"
#include "common/PortMap.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

// The map file and its folder once more, for the signal handler, which may only make plain
// system calls.
char gMapFile[4096];
char gMapDir[4096];

void RemoveMap() {
    if (gMapFile[0] != '\0') {
        ::unlink(gMapFile);
    }
    if (gMapDir[0] != '\0') {
        ::rmdir(gMapDir);
    }
}

void RemoveMapAndEnd(int signal) {
    RemoveMap();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

bool Remember(char (&into)[4096], const std::string& path) {
    if (path.size() >= sizeof into) {
        return false;
    }
    std::memcpy(into, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

KestraPortMap::KestraPortMap(const std::vector<std::string>& devices,
                             const std::vector<int>& taken) {
    // A later line for a number wins, so the devices' lines follow the user's.
    std::ostringstream lines;
    const std::string userMap = PortMap::FilePath();
    std::error_code error;
    if (std::filesystem::is_regular_file(userMap, error)) {
        std::ifstream user(userMap);
        for (std::string line; std::getline(user, line);) {
            lines << line << '\n';
        }
    }
    int next = 256;
    for (const std::string& device : devices) {
        while (std::find(taken.begin(), taken.end(), next) != taken.end()) {
            --next;
        }
        if (next < 1) {
            throw KestraError(kExitUsage, "more devices than the port map has numbers");
        }
        ports_.push_back(next);
        lines << next-- << '=' << device << '\n';
    }
    // The folder is made fresh for this run (mode 0700): a folder or link another user
    // prepared under a name known in advance is never used.
    std::string folder = (std::filesystem::temp_directory_path(error) / "kestra-XXXXXX").string();
    if (error) {
        folder = "/tmp/kestra-XXXXXX";
    }
    if (::mkdtemp(folder.data()) == nullptr) {
        throw KestraError(kExitUsage, "cannot make a private folder for the port map: " +
                                          std::string(std::strerror(errno)));
    }
    dir_ = folder;
    const std::string file = dir_ + "/ports";
    if (Remember(gMapDir, dir_) && Remember(gMapFile, file)) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, RemoveMapAndEnd);
        }
    }
    const std::string text = lines.str();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written =
        fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    written = fd >= 0 && ::close(fd) == 0 && written;
    if (!written) {
        RemoveMap();
        throw KestraError(kExitUsage, "cannot write the port map in " + dir_);
    }
    setenv("SORN_PORTS", file.c_str(), 1);
}

KestraPortMap::~KestraPortMap() {
    RemoveMap();
    gMapFile[0] = '\0';
    gMapDir[0] = '\0';
}
