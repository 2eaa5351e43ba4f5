// kestra-sim: a bus of simulated Kestra readers on a pseudo-terminal, a serial device or a
// network listener.

#include "common/PortMap.h"
#include "kestra/ControlSocket.h"
#include "kestra/NetworkLine.h"
#include "kestra/Options.h"
#include "kestra/PortMap.h"
#include "kestra/SerialLine.h"
#include "kestra/Server.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] auto ignored = write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

bool InstallSignals() {
    if (pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0 &&
           sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

// Makes `link` point at `target`. An existing symbolic link is replaced; any other file at
// that path is left alone and refused.
bool MakeLink(const std::string& link, const std::string& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status status = fs::symlink_status(link, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            std::fprintf(stderr, "kestra-sim: %s exists and is not a symbolic link\n",
                         link.c_str());
            return false;
        }
        fs::remove(link, ec);
    }
    fs::create_symlink(target, link, ec);
    if (ec) {
        std::fprintf(stderr, "kestra-sim: cannot link %s: %s\n", link.c_str(),
                     ec.message().c_str());
        return false;
    }
    return true;
}

// Removes `link` if it still points at `target` (another simulator may have taken it over).
void RemoveLink(const std::string& link, const std::string& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) &&
        std::filesystem::read_symlink(link, ec) == target) {
        std::filesystem::remove(link, ec);
    }
}

// The simulator's line in the port map, taken out again when the simulator ends (also after
// SIGINT or SIGTERM), so the number no longer names a pseudo-terminal another program may get.
class MapEntry {
public:
    MapEntry(std::string map, int number, std::string device)
        : map_(std::move(map)), number_(number), device_(std::move(device)) {}
    ~MapEntry() {
        std::string error;
        if (!kestra::RemovePortMapEntry(map_, number_, device_, error)) {
            std::fprintf(stderr, "kestra-sim: port map: %s\n", error.c_str());
        }
    }
    MapEntry(const MapEntry&) = delete;
    MapEntry& operator=(const MapEntry&) = delete;

private:
    std::string map_;
    int number_;
    std::string device_;
};

int Serve(const kestra::Options& options) {
    kestra::Bus bus;
    for (const kestra::ReaderSpec& wanted : options.readers) {
        bus.AddReader(kestra::Reader(wanted.model, wanted.address, options.baud));
    }
    if (options.tag) {
        bus.PutTransponder(kestra::Transponder(options.tag->type, options.tag->serial),
                           std::nullopt, kestra::Clock::now());
    }
    // Made first, so that its file is gone again whichever later step fails.
    std::optional<kestra::ControlSocket> control;
    if (!options.control.empty()) {
        control.emplace(options.control);
    }
    const kestra::Reader& first = bus.Readers().front();
    std::unique_ptr<kestra::Line> opened;
    if (options.listen) {
        opened =
            std::make_unique<kestra::NetworkLine>(*options.listen, options.baud, first.Parity());
    } else if (!options.device.empty()) {
        opened = std::make_unique<kestra::SerialLine>(
            kestra::SerialLine::OpenDevice(options.device, options.baud, first.Parity()));
    } else {
        opened = std::make_unique<kestra::SerialLine>(kestra::SerialLine::OpenPty(options.baud));
    }
    kestra::Line& line = *opened;

    if (!options.link.empty() && !MakeLink(options.link, line.Path())) {
        return 1;
    }
    std::optional<MapEntry> mapEntry;
    if (options.mapPort != 0) {
        std::string error;
        std::string map = ::PortMap::FilePath();
        if (!kestra::UpdatePortMap(map, options.mapPort, line.Path(), error)) {
            std::fprintf(stderr, "kestra-sim: port map: %s\n", error.c_str());
            if (!options.link.empty()) {
                RemoveLink(options.link, line.Path());
            }
            return 1;
        }
        mapEntry.emplace(map, options.mapPort, line.Path());
    }
    // Answers on the wire are timed to a few microseconds; the default timer slack of 50 us
    // would add up over a frame.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::printf("ready %s\n", line.Path().c_str());
    std::fflush(stdout);

    kestra::Server server(bus, line, options.wire, stdout);
    server.ListenForControl(control ? &*control : nullptr);
    int result = server.Run(STDIN_FILENO, g_stopPipe[0]);
    if (!options.link.empty()) {
        RemoveLink(options.link, line.Path());
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<kestra::Options> options = kestra::ParseOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "kestra-sim: %s\n%s", error.c_str(), kestra::kUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(kestra::kUsage, stdout);
        return 0;
    }
    if (!options->sendPath.empty()) {
        std::string answer;
        int result = kestra::SendControlLine(options->sendPath, options->sendLine,
                                             std::chrono::seconds(5), answer);
        std::fputs(answer.c_str(), result == 2 ? stderr : stdout);
        if (result == 2) {
            std::fputs("\n", stderr);
        }
        return result == 0 ? 0 : 1;
    }
    if (!InstallSignals()) {
        std::fprintf(stderr, "kestra-sim: cannot install signal handlers: %s\n",
                     std::strerror(errno));
        return 1;
    }
    try {
        return Serve(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestra-sim: %s\n", e.what());
        return 1;
    }
}
