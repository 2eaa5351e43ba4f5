#pragma once
// The process-wide reader registry: readers in creation order, the handle counter, the
// library last error and the EEPROM pacing shared by all readers.
//
// A lock guards the list: a scan-data handler may call back into the library from the scan
// thread (delete its reader, say) while the application's thread uses it. A reader found is
// handed out as a shared pointer, so it outlives a deletion by another thread until the export
// that uses it returns. No lock is held while a scan thread is stopped or waited for.

#include "EepromPacer.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class Reader;

class ReaderRegistry {
public:
    /// The one registry of the loaded library.
    static ReaderRegistry& Instance();

    ReaderRegistry() = default;
    /// Library unload: every reader still listed is destroyed as by DeleteReader.
    ~ReaderRegistry();
    ReaderRegistry(const ReaderRegistry&) = delete;
    ReaderRegistry& operator=(const ReaderRegistry&) = delete;

    int LibraryLastError() const { return libraryLastError_.load(); }
    void SetLibraryLastError(int code) { libraryLastError_.store(code); }

    int NewReader(int portHandle);
    int DeleteReader(int handle);
    int NextReader(int handle);

    /// Handle check and lookup: handle < 0 gives VELK_ERR_HANDLE_NEGATIVE, 0 gives
    /// VELK_ERR_HANDLE_ZERO, no reader VELK_ERR_EMPTY_LIST, not listed VELK_ERR_HANDLE_NOT_FOUND.
    /// The result (0 on success) becomes the library last error. Returns the reader, or null with
    /// the code in rc.
    std::shared_ptr<Reader> Find(int handle, int& rc);

    /// Sets or clears hand-over locked on every reader.
    void LockAll(bool locked);
    /// True when some reader is inside a hand-over.
    bool AnyHandOverBusy() const;

    EepromPacer& Pacer() { return pacer_; }

private:
    /// Joins the threads of deleted readers that have ended since (lock held).
    void ReleaseEndedOrphans();
    std::shared_ptr<Reader> FindLocked(int handle, int& rc);

    mutable std::mutex mutex_;

    std::vector<std::shared_ptr<Reader>> readers_;
    // Deleted readers whose scan thread did not stop in time. They are kept until the thread
    // ends, and waited for at unload, so no thread runs on in an unloaded library.
    std::vector<std::shared_ptr<Reader>> orphans_;
    int counter_ = 0;
    std::atomic<int> libraryLastError_{0};
    EepromPacer pacer_;
};

/// Version check of the serial-port library: 0 when its major version is 2 or more, else
/// VELK_ERR_OLD_SORN.
int CheckSornVersion();

/// The text lookup of VELK_GetErrorText: sets the library last error (0 or
/// VELK_ERR_UNKNOWN_ERROR_CODE).
int LookUpErrorText(int code, char* text);
/// The text lookup of VELK_GetStatusText: sets the library last error (0 or
/// VELK_ERR_UNKNOWN_STATUS).
int LookUpStatusText(int status, char* text);
