#pragma once
// Wide system strings. Each is a block: its length in the cell before the text, the text, a
// NUL. Only strings made here are freed or measured; any other pointer is left alone, so a
// receiver that frees twice or frees a foreign pointer does no harm.

#include "platform.h"

#include <map>
#include <memory>
#include <mutex>

class SystemStrings {
public:
    /// Null when the memory is not there.
    PLAT_BSTR Allocate(const wchar_t* text, uint32_t length);
    void Free(PLAT_BSTR text);
    /// 0 for null and for strings not made here.
    uint32_t Length(PLAT_BSTR text);

private:
    struct Block {
        std::unique_ptr<wchar_t[]> cells;
        uint32_t length = 0;
    };
    std::mutex mutex_;
    std::map<const wchar_t*, Block> blocks_;
};
