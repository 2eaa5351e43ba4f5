#pragma once
// Keeps the serial ports from run to run in the settings file: restored at start-up, saved
// and closed at exit. The COM port manager provides it.

#include <filesystem>

class WkPortKeeper {
public:
    virtual ~WkPortKeeper() = default;
    virtual void RestorePorts(const std::filesystem::path& settingsPath) = 0;
    virtual void SavePorts(const std::filesystem::path& settingsPath) = 0;
};
