#include "WkFileInfoHeader.h"

std::vector<std::string> WkFileInfoHeader::MakeNew(const std::string& fileType) {
    std::vector<std::string> header(kEntryCount);
    header[kFileType] = fileType;
    header[kLastEditedWith] = kProgramTitle;
    header[kFileVersion] = kVersion;
    return header;
}
