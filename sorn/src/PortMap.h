#pragma once

#include <string>

namespace sorn {

// Port numbers "1" .. "256" name device paths. Without a map file, 1..32 are /dev/ttyS0..31,
// 33..64 /dev/ttyUSB0..31 and 65..96 /dev/ttyACM0..31. The map file (SORN_PORTS, else
// $XDG_CONFIG_HOME/sorn/ports, else ~/.config/sorn/ports) holds "N=/path" lines and
// "#" comments; a mapped number overrides the default, and "N=" with nothing after it takes
// the number's device away. The file is read on every lookup so
// that a simulator started later is found.
class PortMap {
public:
    static constexpr int kMaxPort = 256;

    // Path of the map file in effect (may not exist).
    static std::string MapFilePath();

    // Device path of port `number`, empty when the number is outside 1..256 or unmapped.
    static std::string PathOf(int number);

    // The path of port `number` when the map file does not name it; empty beyond 96.
    static std::string DefaultPathOf(int number);

    // Parses a decimal port number text "1" .. "256"; 0 when it is not one.
    static int ParseNumber(const char* text);
};

} // namespace sorn
