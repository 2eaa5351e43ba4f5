// Any bytes as the port map file: every lookup gives a path without surrounding blanks or line
// ends, or nothing, and numbers outside 1..256 are never mapped.
#include "common/PortMap.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string& MapFile() {
    static const std::string path = [] {
        std::string p = "/tmp/fuzz-sorn-ports-" + std::to_string(getpid());
        setenv("SORN_PORTS", p.c_str(), 1);
        return p;
    }();
    return path;
}

void CheckPath(const std::string& path) {
    if (path.empty())
        return;
    const char first = path.front();
    const char last = path.back();
    if (first == ' ' || first == '\t' || last == ' ' || last == '\t' || last == '\r' ||
        path.find('\n') != std::string::npos)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& file = MapFile();
    if (FILE* out = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    // The input's own number texts, as the first characters of each line name them.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int fromText = PortMap::ParseNumber(text.substr(0, text.find('=')));
    if (fromText < 0 || fromText > PortMap::kMaxPort)
        std::abort();
    for (const int number : {fromText, 1, 33, 65, 97, 256}) {
        if (number != 0)
            CheckPath(PortMap::DeviceOf(number));
    }
    if (!PortMap::DeviceOf(0).empty() || !PortMap::DeviceOf(257).empty())
        std::abort();
    return 0;
}
