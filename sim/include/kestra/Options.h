#pragma once
// The command line of kestra-sim.

#include "common/NetworkAddress.h"
#include "kestra/FactoryConfig.h"
#include "kestra/Transponder.h"

#include <optional>
#include <string>
#include <vector>

namespace kestra {

struct ReaderSpec {
    Model model = Model::KRA;
    std::uint8_t address = 0;
};

/// A transponder in the field from the start.
struct TagSpec {
    TransponderType type = TransponderType::TTA;
    SerialNumber serial{};
};

struct Options {
    /// --link PATH: a symbolic link to the pty slave, removed at exit.
    std::string link;
    /// --device PATH: serve a real serial device instead of a pty.
    std::string device;
    /// --listen tcp|rfc2217:[HOST:]PORT: serve the bus as a device server on the network
    /// (HOST defaults to the loopback address 127.0.0.1; port 0 takes a free one).
    std::optional<NetworkAddress> listen;
    /// --map-port N: port N of the port map names the line (0 = leave the map alone).
    int mapPort = 0;
    /// --reader MODEL:ADDRESS (repeatable), else one reader from --model and --address.
    std::vector<ReaderSpec> readers;
    /// --baud B: the speed every reader listens at.
    unsigned baud = 9600;
    /// --wire: every byte takes its time on the wire.
    bool wire = false;
    /// --tag TYPE:SERIAL: a transponder in the field of every reader from the start.
    std::optional<TagSpec> tag;
    /// --control PATH: a Unix socket that takes control lines as standard input does.
    std::string control;
    /// --send PATH LINE...: send one control line to a running simulator's socket instead of
    /// simulating; the words after PATH form the line.
    std::string sendPath;
    std::string sendLine;
    /// --help.
    bool help = false;
};

/// The usage text.
extern const char* const kUsage;

/// The options in `args` (without the program name), or nothing with the reason in `error`.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

} // namespace kestra
