// Writes the default reader configurations KRADef.rdr .. KRDDef.rdr into the folder given on
// the command line, from the simulator's factory table and through the reader document
// itself, so that the files and the simulated readers cannot disagree.

#include "WkReaderDefaults.h"
#include "WkReaderEditDoc.h"
#include "kestra/FactoryConfig.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr const char* kMirror[3] = {"62 00 00 16 00 00", "62 01 00 16 00 00", "62 02 00 16 00 00"};
constexpr const char* kConfig[3] = {"00 00 00 16 00 00", "00 01 00 16 00 00", "00 02 00 16 00 00"};
constexpr const char* kVersionAnswer = "65 33 00 05 00 00";

bool Write(kestra::Model model, int readerType, const std::filesystem::path& folder) {
    const kestra::ModelInfo& info = kestra::GetModelInfo(model);
    WkReaderEditDoc document(nullptr);
    document.OnNewDocument();
    VELKReaderModul& modul = document.Modul();
    for (std::size_t block = 0; block < kestra::kConfigBlocks; ++block) {
        const unsigned char* bytes = info.factory[block].data();
        const int size = static_cast<int>(kestra::kBlockSize);
        if (!modul.Config().SetBytes(kConfig[block], bytes, size) ||
            !modul.Answer().SetBytes(kMirror[block], bytes, size)) {
            return false;
        }
    }
    if (!modul.Answer().SetBytes(kVersionAnswer, info.version.data(),
                                 static_cast<int>(info.version.size()))) {
        return false;
    }
    return document.SaveFile((folder / WkReaderDefaults::FileName(readerType)).string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    int readerType = 1;
    for (kestra::Model model : kestra::kAllModels) {
        if (!Write(model, readerType, folder)) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0],
                         WkReaderDefaults::FileName(readerType).c_str());
            return 1;
        }
        ++readerType;
    }
    return 0;
}
