#include "WkFileInfoHeader.h"

#include <array>
#include <utility>

std::vector<std::string> WkFileInfoHeader::MakeNew(const std::string& fileType) {
    std::vector<std::string> header(kEntryCount);
    header[kFileType] = fileType;
    header[kLastEditedWith] = kProgramTitle;
    header[kFileVersion] = kVersion;
    return header;
}

namespace {
// The kind of a file type: everything up to and including its '-'.
std::string Kind(const std::string& fileType) {
    const std::size_t dash = fileType.find('-');
    return dash == std::string::npos ? std::string() : fileType.substr(0, dash + 1);
}
} // namespace

bool WkFileInfoHeader::IsSameKind(const std::string& found, const std::string& expected) {
    return !Kind(expected).empty() && Kind(found) == Kind(expected);
}

std::string WkFileInfoHeader::Describe(const std::string& fileType) {
    static const std::array<std::pair<const char*, const char*>, 5> kNames{{
        {kReaderType, "a reader configuration file"},
        {kTransponderType, "a transponder file"},
        {kProtocolType, "a protocol file"},
        {kMacroType, "a macro file"},
        {kLogType, "a log file"},
    }};
    if (fileType.empty()) {
        return "a file without a file type";
    }
    for (const auto& [type, name] : kNames) {
        if (IsSameKind(fileType, type)) {
            return std::string(name) + " (" + fileType + ")";
        }
    }
    // A hand-made header may hold anything; a message shows no more than a type's length.
    return "a file of type '" + fileType.substr(0, 16) + "'";
}
