#pragma once
// The file-info header: 20 strings at the start of every document file (file type, comment,
// program that wrote it, version, reserved entries that are carried unchanged).

#include <string>
#include <vector>

/// Indexes, fixed values and the new-document form of the file-info header.
class WkFileInfoHeader {
public:
    static constexpr int kFileType = 0;
    static constexpr int kComment = 1;
    static constexpr int kLastEditedWith = 2;
    static constexpr int kFileVersion = 3;
    static constexpr int kEntryCount = 20;

    static constexpr const char* kProgramTitle = "Corvel";
    static constexpr const char* kVersion = "03.00.00";

    static constexpr const char* kProtocolType = "PRT-02";
    static constexpr const char* kMacroType = "MAC-01";
    static constexpr const char* kTransponderType = "TRP-02";
    static constexpr const char* kReaderType = "RDR-02";
    static constexpr const char* kLogType = "LOG-01";

    /// The header of a new document of `fileType`: the type, an empty comment, the program
    /// title, "03.00.00" and 16 empty entries.
    static std::vector<std::string> MakeNew(const std::string& fileType);

    /// Whether a file whose header names `found` holds a document of type `expected`: the
    /// kind before the '-' ("RDR-") is the same; the number after it may differ.
    static bool IsSameKind(const std::string& found, const std::string& expected);
    /// The file type in words for messages: "a reader configuration file (RDR-02)", "a
    /// transponder file (TRP-02)", ..., "a file of type 'XYZ'", "a file without a file type".
    static std::string Describe(const std::string& fileType);
};
