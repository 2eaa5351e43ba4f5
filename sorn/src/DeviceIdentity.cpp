#include "DeviceIdentity.h"

#include "common/NetworkAddress.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace sorn {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The "tty-index" a master descriptor's fdinfo names, or -1.
long TtyIndex(const std::string& fdinfo) {
    std::ifstream in(fdinfo);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("tty-index:")) {
            return std::strtol(line.c_str() + 10, nullptr, 10);
        }
    }
    return -1;
}

// The program (its executable) whose process holds the master side of pseudo-terminal
// `index`; empty when none can be seen, or when programs differ.
std::string PtyHolder(long index) {
    std::set<std::string> programs;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return {};
    }
    while (const dirent* process = readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(process->d_name[0]))) {
            continue;
        }
        const std::string base = std::string("/proc/") + process->d_name;
        DIR* fds = opendir((base + "/fd").c_str());
        if (fds == nullptr) {
            continue; // another user's process: not ours to look into
        }
        while (const dirent* fd = readdir(fds)) {
            char target[32] = {};
            const ssize_t n = readlinkat(dirfd(fds), fd->d_name, target, sizeof target - 1);
            if (n <= 0 || (std::strcmp(target, "/dev/ptmx") != 0 &&
                           std::strcmp(target, "/dev/pts/ptmx") != 0)) {
                continue;
            }
            if (TtyIndex(base + "/fdinfo/" + fd->d_name) == index) {
                std::error_code ec;
                programs.insert(fs::read_symlink(base + "/exe", ec).string());
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return programs.size() == 1 ? *programs.begin() : std::string();
}

} // namespace

std::string TerminalIdentity(unsigned major, unsigned minor, const std::string& sysRoot) {
    if (major >= kFirstPtyMajor && major <= kLastPtyMajor) {
        const std::string holder = PtyHolder((major - kFirstPtyMajor) * 256L + minor);
        return holder.empty() ? holder : "pty held by " + holder;
    }
    const std::string number = std::to_string(major) + ":" + std::to_string(minor);
    std::error_code ec;
    const fs::path root = fs::canonical(sysRoot, ec);
    const fs::path node = fs::canonical(fs::path(sysRoot) / "dev/char" / number, ec);
    if (ec) {
        return "device " + number; // no sysfs to ask: the number is all there is
    }
    // Up from the tty: a USB serial port (port_number), its interface (bInterfaceNumber),
    // then the USB device itself (idVendor).
    std::string port;
    std::string interface;
    for (fs::path dir = node.parent_path(); dir != root && dir.has_relative_path();
         dir = dir.parent_path()) {
        if (port.empty() && fs::exists(dir / "port_number")) {
            port = FirstLine(dir / "port_number");
        }
        if (interface.empty() && fs::exists(dir / "bInterfaceNumber")) {
            interface = FirstLine(dir / "bInterfaceNumber");
        }
        if (fs::exists(dir / "idVendor")) {
            const std::string serial = FirstLine(dir / "serial");
            // Without a serial number, the socket it is plugged into is what tells it apart.
            return "usb " + FirstLine(dir / "idVendor") + ":" + FirstLine(dir / "idProduct") +
                   (serial.empty() ? " at " + dir.filename().string() : " serial " + serial) +
                   " interface " + interface + " port " + port;
        }
    }
    return "sysfs " + node.lexically_relative(root).string();
}

std::string IdentityOf(const std::string& path) {
    if (NetworkAddress::IsUrl(path)) {
        return path;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return {};
    }
    return TerminalIdentity(major(st.st_rdev), minor(st.st_rdev), "/sys");
}

} // namespace sorn
