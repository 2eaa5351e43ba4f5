#include "ReaderRegistry.h"

#include "Reader.h"
#include "VelkTexts.h"
#include "sorn.h"
#include "velk.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <new>

namespace {

// Constructed at library load, destroyed at unload.
ReaderRegistry gRegistry;

} // namespace

ReaderRegistry& ReaderRegistry::Instance() {
    return gRegistry;
}

namespace {

// How long unloading waits for each scan thread beyond its stop. A thread stuck in a hand-over
// (a synchronous send to a window of the unloading thread, say) would otherwise hold the exit.
constexpr std::chrono::milliseconds kUnloadWait{1000};

} // namespace

ReaderRegistry::~ReaderRegistry() {
    // Unloading must not leave a thread running in unmapped code: each is waited for, within
    // a limit. A thread still stuck then is left detached with its reader and handlers.
    std::vector<std::shared_ptr<Reader>> readers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        readers.swap(readers_);
        readers.insert(readers.end(), orphans_.begin(), orphans_.end());
        orphans_.clear();
    }
    for (const auto& reader : readers) {
        StopScanThread(*reader);
        if (reader->Scan().JoinOrDetach(kUnloadWait))
            reader->Handlers().Clear();
    }
}

void ReaderRegistry::ReleaseEndedOrphans() {
    std::erase_if(orphans_, [](const auto& r) { return r->Scan().JoinIfEnded(); });
}

int ReaderRegistry::NewReader(int portHandle) {
    SetLibraryLastError(0);
    if (CheckSornVersion() != 0)
        return VELK_ERR_OLD_SORN;
    std::lock_guard<std::mutex> lock(mutex_);
    ++counter_;
    if (portHandle < 0)
        return VELK_ERR_PORT_NEGATIVE;
    try {
        readers_.push_back(std::make_shared<Reader>(counter_, portHandle));
    } catch (const std::bad_alloc&) {
        return VELK_ERR_NEW_READER;
    }
    return counter_;
}

int ReaderRegistry::DeleteReader(int handle) {
    int rc = 0;
    std::shared_ptr<Reader> reader;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reader = FindLocked(handle, rc);
        if (reader == nullptr)
            return rc;
        std::erase(readers_, reader);
    }
    const bool stopped = StopScanThread(*reader);
    reader->Handlers().Clear();
    std::lock_guard<std::mutex> lock(mutex_);
    ReleaseEndedOrphans();
    if (!stopped)
        orphans_.push_back(std::move(reader));
    return 0;
}

int ReaderRegistry::NextReader(int handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    int rc = 0;
    if (handle < 0) {
        rc = VELK_ERR_HANDLE_NEGATIVE;
    } else if (handle == 0) {
        rc = readers_.empty() ? VELK_ERR_EMPTY_LIST : readers_.front()->Handle();
    } else {
        const auto it = std::find_if(readers_.begin(), readers_.end(),
                                     [&](const auto& r) { return r->Handle() == handle; });
        if (it == readers_.end())
            rc = VELK_ERR_HANDLE_NOT_FOUND;
        else if (std::next(it) == readers_.end())
            rc = 0;
        else
            rc = (*std::next(it))->Handle();
    }
    SetLibraryLastError(rc > 0 ? 0 : rc);
    return rc;
}

std::shared_ptr<Reader> ReaderRegistry::Find(int handle, int& rc) {
    std::lock_guard<std::mutex> lock(mutex_);
    return FindLocked(handle, rc);
}

std::shared_ptr<Reader> ReaderRegistry::FindLocked(int handle, int& rc) {
    rc = 0;
    if (handle < 0)
        rc = VELK_ERR_HANDLE_NEGATIVE;
    else if (handle == 0)
        rc = VELK_ERR_HANDLE_ZERO;
    else if (readers_.empty())
        rc = VELK_ERR_EMPTY_LIST;
    SetLibraryLastError(rc);
    if (rc != 0)
        return nullptr;
    for (const auto& reader : readers_) {
        if (reader->Handle() == handle) {
            SetLibraryLastError(0);
            return reader;
        }
    }
    rc = VELK_ERR_HANDLE_NOT_FOUND;
    SetLibraryLastError(rc);
    return nullptr;
}

void ReaderRegistry::LockAll(bool locked) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& reader : readers_)
        reader->SetHandOverLocked(locked);
}

bool ReaderRegistry::AnyHandOverBusy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(readers_.begin(), readers_.end(),
                       [](const auto& r) { return r->HandOverBusy(); });
}

int CheckSornVersion() {
    char version[256] = {};
    SORN_GetDLLVersion(version);
    int major = 0;
    for (int i = 0; i < 2 && std::isdigit(static_cast<unsigned char>(version[i])); ++i)
        major = major * 10 + (version[i] - '0');
    return major >= 2 ? 0 : VELK_ERR_OLD_SORN;
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
