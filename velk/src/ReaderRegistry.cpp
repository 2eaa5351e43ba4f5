#include "ReaderRegistry.h"

#include "Reader.h"
#include "VelkTexts.h"
#include "sorn.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace {

// Constructed at library load, destroyed at unload.
ReaderRegistry gRegistry;

} // namespace

ReaderRegistry& ReaderRegistry::Instance() {
    return gRegistry;
}

ReaderRegistry::~ReaderRegistry() {
    while (!readers_.empty()) {
        std::shared_ptr<Reader> reader = readers_.front();
        readers_.erase(readers_.begin());
        StopScanThread(*reader);
        // Unloading must not leave a thread running in unmapped code: wait for it.
        reader->Scan().JoinAfterStop();
        reader->Handlers().Clear();
    }
    for (const auto& orphan : orphans_)
        orphan->Scan().JoinAfterStop();
}

void ReaderRegistry::ReleaseEndedOrphans() {
    std::erase_if(orphans_, [](const auto& r) { return r->Scan().JoinIfEnded(); });
}

int ReaderRegistry::NewReader(int portHandle) {
    SetLibraryLastError(0);
    if (CheckSornVersion() != 0)
        return -2007;
    ++counter_;
    if (portHandle < 0)
        return -2024;
    try {
        readers_.push_back(std::make_shared<Reader>(counter_, portHandle));
    } catch (const std::bad_alloc&) {
        return -2000;
    }
    return counter_;
}

int ReaderRegistry::DeleteReader(int handle) {
    int rc = 0;
    if (Find(handle, rc) == nullptr)
        return rc;
    const auto it = std::find_if(readers_.begin(), readers_.end(),
                                 [&](const auto& r) { return r->Handle() == handle; });
    std::shared_ptr<Reader> reader = *it;
    readers_.erase(it);
    const bool stopped = StopScanThread(*reader);
    reader->Handlers().Clear();
    ReleaseEndedOrphans();
    if (!stopped)
        orphans_.push_back(std::move(reader));
    return 0;
}

int ReaderRegistry::NextReader(int handle) {
    int rc = 0;
    if (handle < 0) {
        rc = -2022;
    } else if (handle == 0) {
        rc = readers_.empty() ? -2001 : readers_.front()->Handle();
    } else {
        const auto it = std::find_if(readers_.begin(), readers_.end(),
                                     [&](const auto& r) { return r->Handle() == handle; });
        if (it == readers_.end())
            rc = -2023;
        else if (std::next(it) == readers_.end())
            rc = 0;
        else
            rc = (*std::next(it))->Handle();
    }
    SetLibraryLastError(rc > 0 ? 0 : rc);
    return rc;
}

Reader* ReaderRegistry::Find(int handle, int& rc) {
    rc = 0;
    if (handle < 0)
        rc = -2022;
    else if (handle == 0)
        rc = -2021;
    else if (readers_.empty())
        rc = -2001;
    SetLibraryLastError(rc);
    if (rc != 0)
        return nullptr;
    for (const auto& reader : readers_) {
        if (reader->Handle() == handle) {
            SetLibraryLastError(0);
            return reader.get();
        }
    }
    rc = -2023;
    SetLibraryLastError(rc);
    return nullptr;
}

void ReaderRegistry::LockAll(bool locked) {
    for (const auto& reader : readers_)
        reader->SetHandOverLocked(locked);
}

bool ReaderRegistry::AnyHandOverBusy() const {
    return std::any_of(readers_.begin(), readers_.end(),
                       [](const auto& r) { return r->HandOverBusy(); });
}

int CheckSornVersion() {
    char version[256] = {};
    SORN_GetDLLVersion(version);
    int major = 0;
    for (int i = 0; i < 2 && std::isdigit(static_cast<unsigned char>(version[i])); ++i)
        major = major * 10 + (version[i] - '0');
    return major >= 2 ? 0 : -2007;
}

int LookUpErrorText(int code, char* text) {
    const int rc = WriteErrorText(code, text);
    ReaderRegistry::Instance().SetLibraryLastError(rc);
    return rc;
}

int LookUpStatusText(int status, char* text) {
    const int rc = WriteStatusText(status, text);
    ReaderRegistry::Instance().SetLibraryLastError(rc);
    return rc;
}
