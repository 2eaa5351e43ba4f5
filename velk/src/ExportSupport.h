#pragma once
// What every export shares: no exception leaves the library, and the argument checks run in
// one order (pointers, then the handle).

#include "Reader.h"
#include "ReaderRegistry.h"
#include "velk.h"

#include <initializer_list>

/// Runs body; an exception (only allocation can throw here) becomes VELK_ERR_NO_MEMORY.
template <typename Body> int Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return VELK_ERR_NO_MEMORY;
    }
}

/// The pointer check and the handle check of an export that names a reader. Returns the
/// reader, or null with the failure code in rc (stored as the library last error).
inline std::shared_ptr<Reader> CheckedReader(int handle,
                                             std::initializer_list<const void*> pointers, int& rc) {
    ReaderRegistry& registry = ReaderRegistry::Instance();
    for (const void* p : pointers) {
        if (p == nullptr) {
            rc = VELK_ERR_NULL_POINTER;
            registry.SetLibraryLastError(rc);
            return nullptr;
        }
    }
    return registry.Find(handle, rc);
}
