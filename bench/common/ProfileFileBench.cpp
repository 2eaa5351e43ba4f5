// Saving the four port sections (44 keys) into a 20 MB settings file, once key by key with
// Write (one load and one rewrite per key) and once as one batch (one load, one rewrite), in
// the same run on the same file. Prints both times and their ratio.
#include "common/ProfileFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kKeys[] = {"COM",         "Baud",      "Frame",       "Timeout",
                             "CharTimeOut", "TxControl", "Performance", "TxDlyTime",
                             "CTOMpy",      "DTR",       "RTS"};

void WriteLargeFile(const std::filesystem::path& path) {
    std::string bytes;
    const std::string filler = "key=" + std::string(60, 'x') + "\n";
    for (int i = 0; bytes.size() < 20'000'000; ++i) {
        bytes += "[other" + std::to_string(i) + "]\n";
        for (int k = 0; k < 50; ++k) {
            bytes += filler;
        }
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

template <typename F> double Seconds(F&& body) {
    const auto start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("profile-bench-" + std::to_string(getpid()) + ".ini");
    WriteLargeFile(path);
    int round = 0;
    const double perKey = Seconds([&] {
        ProfileFile file(path);
        for (int n = 1; n <= 4; ++n) {
            for (const char* key : kKeys) {
                file.Write(std::to_string(n) + ".COMPort", key, std::to_string(round));
            }
        }
    });
    ++round;
    const double batch = Seconds([&] {
        ProfileFile file(path);
        file.Load();
        for (int n = 1; n <= 4; ++n) {
            for (const char* key : kKeys) {
                file.Set(std::to_string(n) + ".COMPort", key, std::to_string(round));
            }
        }
        file.Save();
    });
    std::filesystem::remove(path);
    std::printf("44 keys into a 20 MB file: key by key %.3f s, one batch %.3f s, ratio %.1f\n",
                perKey, batch, perKey / batch);
    return 0;
}
