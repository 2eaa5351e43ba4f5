#include "WkStdDoc.h"

#include "WkArchive.h"
#include "WkAtomicFile.h"

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
    WkArchive ar(bytes);
    try {
        Serialize(ar);
    } catch (const WkArchiveError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool WkStdDoc::SaveFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    try {
        bytes = StoreToBytes();
    } catch (const WkArchiveError&) {
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!WriteFileAtomically(path, text)) {
        return false;
    }
    SetPathName(path);
    SetModifiedFlag(false);
    return true;
}

bool WkStdDoc::LoadFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
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
    if (in.bad() || !LoadFromBytes(bytes)) {
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
