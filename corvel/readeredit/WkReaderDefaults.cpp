#include "WkReaderDefaults.h"

#include "WkReaderChoice.h"

namespace WkReaderDefaults {

std::string FileName(int readerType) {
    const std::vector<std::string>& names = ReaderTypeNames();
    if (readerType < 1 || static_cast<std::size_t>(readerType) > names.size()) {
        return {};
    }
    return names[static_cast<std::size_t>(readerType - 1)] + "Def.rdr";
}

std::vector<std::filesystem::path> SearchFolders(std::filesystem::path programFolder) {
    std::error_code error;
    if (programFolder.empty()) {
        programFolder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    }
    std::vector<std::filesystem::path> folders;
    folders.push_back(std::filesystem::current_path(error));
    if (!programFolder.empty()) {
        folders.push_back(programFolder);
        folders.push_back(programFolder / ".." / "share" / "corvel");
    }
    return folders;
}

std::optional<std::filesystem::path> Find(const std::string& name,
                                          const std::vector<std::filesystem::path>& folders) {
    for (const std::filesystem::path& folder : folders) {
        std::error_code error;
        const std::filesystem::path candidate = folder / name;
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace WkReaderDefaults
