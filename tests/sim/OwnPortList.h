#pragma once
// A folder of this process's own for the serial-port library's port list: SORN_PORTS points
// into it while the object lives, so a simulator's --map-port never rewrites the user's list.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace simtest {

class OwnPortList {
public:
    /// Makes the folder `<temp>/<name>-<pid>` and points SORN_PORTS at "ports" in it.
    explicit OwnPortList(const std::string& name)
        : dir_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(dir_);
        setenv("SORN_PORTS", (dir_ / "ports").c_str(), 1);
    }
    /// Unsets SORN_PORTS and removes the folder with what the test left in it.
    ~OwnPortList() {
        unsetenv("SORN_PORTS");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    OwnPortList(const OwnPortList&) = delete;
    OwnPortList& operator=(const OwnPortList&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }

private:
    std::filesystem::path dir_;
};

} // namespace simtest
