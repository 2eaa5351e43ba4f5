#include "WkStdDoc.h"

#include "WkArchive.h"
#include "WkAtomicFile.h"
#include "WkFileInfoHeader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>

WkStdDoc::WkStdDoc() = default;

WkStdDoc::~WkStdDoc() = default;

void WkStdDoc::Serialize(WkArchive&) {}

std::vector<unsigned char> WkStdDoc::StoreToBytes() {
    WkArchive ar;
    Serialize(ar);
    return ar.Buffer();
}

bool WkStdDoc::LoadFromBytes(const std::vector<unsigned char>& bytes) {
    SetFileError({});
    WkArchive ar(bytes);
    try {
        if (const std::string expected = ExpectedFileType(); !expected.empty()) {
            // The header comes first in every document file; it is read again below.
            WkArchive header(bytes);
            const std::vector<std::string> entries = header.ReadStringList();
            const std::string found = entries.empty() ? std::string() : entries.front();
            if (!WkFileInfoHeader::IsSameKind(found, expected)) {
                SetFileError(WkFileInfoHeader::Describe(found) + ", not " +
                             WkFileInfoHeader::Describe(expected));
                return false;
            }
        }
        Serialize(ar);
    } catch (const WkArchiveError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool WkStdDoc::SaveFile(const std::string& path) {
    SetFileError({});
    std::vector<unsigned char> bytes;
    try {
        bytes = StoreToBytes();
    } catch (const WkArchiveError&) {
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) {
        SetFileError(error);
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool WkStdDoc::LoadFile(const std::string& path) {
    SetFileError({});
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        const std::string kind = NonRegularFileKind(path);
        SetFileError(path + (kind.empty() ? ": no such file" : " is " + kind));
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<unsigned char> bytes;
    try {
        // The stream buffer throws on a read error (a folder, a failing device).
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;
    }
    if (in.bad()) {
        return false;
    }
    if (!LoadFromBytes(bytes)) {
        if (!FileError().empty()) {
            SetFileError(path + " is " + FileError());
        }
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool WkStdDoc::OnOpenDocument(const std::filesystem::path& path) {
    return LoadFile(path.string());
}

bool WkStdDoc::OnSaveDocument(const std::filesystem::path& path) {
    return SaveFile(path.string());
}
