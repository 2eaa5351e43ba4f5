// Exports of the registry, the reader parameters, the last error, state and protocols, and
// the two text lookups.
#include "ExportSupport.h"
#include "VelkTexts.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kMaxKeyLength = 127;

/// Checks the key and upper-cases it. 0, VELK_ERR_NULL_POINTER or VELK_ERR_OUT_OF_RANGE (stored as
/// library last error).
int PrepareKey(const char* key, const void* value, std::string& upper) {
    ReaderRegistry& registry = ReaderRegistry::Instance();
    if (key == nullptr || value == nullptr) {
        registry.SetLibraryLastError(VELK_ERR_NULL_POINTER);
        return VELK_ERR_NULL_POINTER;
    }
    const std::size_t length = strnlen(key, kMaxKeyLength + 1);
    if (length > kMaxKeyLength) {
        registry.SetLibraryLastError(VELK_ERR_OUT_OF_RANGE);
        return VELK_ERR_OUT_OF_RANGE;
    }
    upper.assign(key, length);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return 0;
}

} // namespace

extern "C" {

VELK_API int VELK_NewReader(int portHandle) {
    return Guarded([&] { return ReaderRegistry::Instance().NewReader(portHandle); });
}

VELK_API int VELK_DeleteReader(int handle) {
    return Guarded([&] { return ReaderRegistry::Instance().DeleteReader(handle); });
}

VELK_API int VELK_GetReaderList(int handle) {
    return Guarded([&] { return ReaderRegistry::Instance().NextReader(handle); });
}

VELK_API int VELK_GetReaderPara(int handle, const char* key, char* value) {
    return Guarded([&] {
        std::string upper;
        int rc = PrepareKey(key, value, upper);
        if (rc != 0)
            return rc;
        if (upper == "ISPROTTOAPPLOCKED")
            return ReaderRegistry::Instance().AnyHandOverBusy() ? 0 : 1;
        const auto reader = ReaderRegistry::Instance().Find(handle, rc);
        if (reader == nullptr)
            return rc;
        return reader->GetParameter(upper, value);
    });
}

VELK_API int VELK_SetReaderPara(int handle, const char* key, const char* value) {
    return Guarded([&] {
        std::string upper;
        int rc = PrepareKey(key, value, upper);
        if (rc != 0)
            return rc;
        if (upper == "LOCKPROTTOAPP" || upper == "UNLOCKPROTTOAPP") {
            ReaderRegistry::Instance().LockAll(upper == "LOCKPROTTOAPP");
            return 0;
        }
        const auto reader = ReaderRegistry::Instance().Find(handle, rc);
        if (reader == nullptr)
            return rc;
        return reader->SetParameter(upper, value);
    });
}

VELK_API void VELK_GetDLLVersion(char* version) {
    ReaderRegistry& registry = ReaderRegistry::Instance();
    if (version == nullptr) {
        registry.SetLibraryLastError(VELK_ERR_NULL_POINTER);
        return;
    }
    registry.SetLibraryLastError(0);
    std::strcpy(version, "02.03.00");
}

VELK_API int VELK_GetLastError(int handle, int* errorCode, char* errorText) {
    return Guarded([&] {
        ReaderRegistry& registry = ReaderRegistry::Instance();
        if (errorCode == nullptr || errorText == nullptr) {
            registry.SetLibraryLastError(VELK_ERR_NULL_POINTER);
            return VELK_ERR_NULL_POINTER;
        }
        if (handle == 0) {
            *errorCode = registry.LibraryLastError();
            return LookUpErrorText(*errorCode, errorText);
        }
        int rc = 0;
        const auto reader = registry.Find(handle, rc);
        if (reader == nullptr)
            return rc;
        *errorCode = reader->LastError();
        // As "ERRSTR": a code without a text leaves VELK_ERR_UNKNOWN_ERROR_CODE as the reader's
        // last error.
        rc = LookUpErrorText(*errorCode, errorText);
        if (rc != 0)
            reader->SetLastError(rc);
        return rc;
    });
}

VELK_API int VELK_GetLastState(int handle, char* statusText) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {statusText}, rc);
        if (reader == nullptr)
            return rc;
        const int status = reader->LastStatus();
        reader->SetLastError(LookUpStatusText(status, statusText));
        return status;
    });
}

VELK_API int VELK_GetLastSendProt(int handle, char* prot, int hexFlag) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {prot}, rc);
        return reader == nullptr ? rc : reader->LastSendProt(prot, hexFlag);
    });
}

VELK_API int VELK_GetLastRecProt(int handle, char* prot, int hexFlag) {
    return Guarded([&] {
        int rc = 0;
        const auto reader = CheckedReader(handle, {prot}, rc);
        return reader == nullptr ? rc : reader->LastRecProt(prot, hexFlag);
    });
}

VELK_API int VELK_GetErrorText(int errorCode, char* text) {
    if (text == nullptr) {
        ReaderRegistry::Instance().SetLibraryLastError(VELK_ERR_NULL_POINTER);
        return VELK_ERR_NULL_POINTER;
    }
    return LookUpErrorText(errorCode, text);
}

VELK_API int VELK_GetStatusText(int statusByte, char* text) {
    if (text == nullptr) {
        ReaderRegistry::Instance().SetLibraryLastError(VELK_ERR_NULL_POINTER);
        return VELK_ERR_NULL_POINTER;
    }
    return LookUpStatusText(statusByte, text);
}

} // extern "C"
