#pragma once
// Root of every object that can be written to and read from an archive.

#include "WkRuntimeClass.h"

class WkArchive;

/// An object with a run-time class that serialises itself into a WkArchive.
class WkObject {
public:
    virtual ~WkObject() = default;
    WkObject(const WkObject&) = delete;
    WkObject& operator=(const WkObject&) = delete;

    /// The object's class; its name and schema are what the archive writes for it.
    virtual const WkRuntimeClass& GetRuntimeClass() const = 0;

    /// Writes the object's fields when `ar` is storing, reads them when it is loading.
    /// Reading throws WkArchiveError when the bytes do not hold the fields.
    virtual void Serialize(WkArchive& ar) = 0;

    /// True when the object's class is `cls`.
    bool IsKindOf(const WkRuntimeClass& cls) const { return &GetRuntimeClass() == &cls; }

protected:
    WkObject() = default;
};
