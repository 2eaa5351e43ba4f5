#pragma once
// The serial-port library's port map: what each port number "1" .. "256" names, a device path
// or a network address ("rfc2217://host:port", "tcp://host:port"). One reader for the
// library, the simulator and the command line, so that all three read the file alike.
//
// Without a map file, 1..32 are /dev/ttyS0..31, 33..64 /dev/ttyUSB0..31 and 65..96
// /dev/ttyACM0..31. The map file holds "N=what" lines and "#" comments; blanks around the
// number and around what it names do not count, a later line for a number wins over an earlier
// one, a mapped number overrides its default, and "N=" with nothing after it takes the number's
// device away. The file is read on every lookup, so that a simulator started later is found.

#include <set>
#include <string>
#include <string_view>

class PortMap {
public:
    static constexpr int kMaxPort = 256;

    /// The map file in effect (it may not exist): the file SORN_PORTS names, else
    /// $XDG_CONFIG_HOME/sorn/ports, else ~/.config/sorn/ports; empty when none can be formed.
    static std::string FilePath();

    /// What port `number` names; empty when the number is outside 1..256 or names nothing.
    static std::string DeviceOf(int number);

    /// What port `number` names when the map file does not name it; empty beyond 96.
    static std::string DefaultDeviceOf(int number);

    /// The numbers the map file names, whatever it names them.
    static std::set<int> MappedNumbers();

    /// A decimal port number text "1" .. "256"; 0 when it is not one.
    static int ParseNumber(std::string_view text);

    /// One line of a map file: the port number it sets and what it names. False for comments,
    /// blank lines and lines that set no port number 1..256.
    static bool ParseLine(std::string_view line, int& number, std::string& device);
};
