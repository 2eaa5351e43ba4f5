#pragma once
// Devices given by path (or by a device server's URL) reach the serial library as numbers of
// its port map. For one run they are written into a map file of their own, in a folder made
// fresh for the run, and SORN_PORTS names it; the lines of the user's map come first, so the
// numbers it gives keep working beside the devices.

#include <string>
#include <vector>

class KestraPortMap {
public:
    /// Maps each of `devices` to a number of its own, from 256 down, skipping the numbers in
    /// `taken`, and points SORN_PORTS at the map. Call before any thread uses the serial
    /// library. The folder is removed with the map, and also when the program is ended by
    /// SIGINT, SIGTERM or SIGHUP. Throws KestraError (exit 2) when the map cannot be written.
    KestraPortMap(const std::vector<std::string>& devices, const std::vector<int>& taken);
    /// Removes the map and its folder.
    ~KestraPortMap();
    KestraPortMap(const KestraPortMap&) = delete;
    KestraPortMap& operator=(const KestraPortMap&) = delete;

    /// The number `devices[index]` was given.
    int PortOf(std::size_t index) const { return ports_.at(index); }

private:
    std::string dir_;
    std::vector<int> ports_;
};
