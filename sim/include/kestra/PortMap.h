#pragma once
// Writing the serial-port library's port map file (lines "N=/path", "#" comments); it is read
// and found with common's PortMap.

#include <string>

namespace kestra {

/// Makes port `number` (1..256) name `device` in the map file at `path`: the first line for
/// that number is replaced in place, later ones are removed, every other line is kept; a
/// map without the number gets the line appended. Missing folders are created and the file
/// is replaced atomically. Returns false with a reason in `error` on failure.
bool UpdatePortMap(const std::string& path, int number, const std::string& device,
                   std::string& error);

/// Takes the lines for port `number` out of the map file at `path` while they still name
/// `device` (another program may have mapped the number since); every other line is kept.
/// Returns false with a reason in `error` when the file cannot be replaced.
bool RemovePortMapEntry(const std::string& path, int number, const std::string& device,
                        std::string& error);

} // namespace kestra
