// Any file content: reading never fails, and a written key reads back while a key of another
// section keeps its value.
#include "common/ProfileFile.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz-profile-" + std::to_string(getpid()));
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ProfileFile file(path);
    const std::string before = file.Read("2.COMPort", "Baud", "none");
    file.Read("1.COMPort", "COM", "None", 8);
    if (!file.Write("1.COMPort", "COM", "7")) {
        std::abort();
    }
    if (file.Read("1.COMPort", "COM", "") != "7" ||
        file.Read("2.COMPort", "Baud", "none") != before) {
        std::abort();
    }
    return 0;
}
