#pragma once
// What a device path leads to, told apart from another device that may take the same path
// later: a pseudo-terminal by the program that holds its master side, a USB adapter by its
// vendor, product, serial number (or the socket it is plugged into) and interface, any other
// terminal by its place in sysfs, a network port by its address. An empty identity means it
// cannot be told.

#include <string>

namespace sorn {

// The identity of the device at `path` now; empty when there is none or it cannot be told.
std::string IdentityOf(const std::string& path);

// The identity of terminal `major`:`minor`, reading sysfs under `sysRoot` ("/sys").
std::string TerminalIdentity(unsigned major, unsigned minor, const std::string& sysRoot);

} // namespace sorn
