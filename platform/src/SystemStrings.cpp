#include "SystemStrings.h"

#include <algorithm>
#include <cstddef>

PLAT_BSTR SystemStrings::Allocate(const wchar_t* text, uint32_t length) {
    const std::size_t cells = static_cast<std::size_t>(length) + 2;
    Block block;
    block.cells = std::make_unique<wchar_t[]>(cells); // zeroed: a null text gives zeros
    block.length = length;
    block.cells[0] = static_cast<wchar_t>(length);
    if (text != nullptr)
        std::copy(text, text + length, block.cells.get() + 1);
    PLAT_BSTR result = block.cells.get() + 1;
    std::lock_guard lock(mutex_);
    blocks_.emplace(result, std::move(block));
    return result;
}

void SystemStrings::Free(PLAT_BSTR text) {
    if (text == nullptr)
        return;
    Block doomed;
    {
        std::lock_guard lock(mutex_);
        auto it = blocks_.find(text);
        if (it == blocks_.end())
            return;
        doomed = std::move(it->second);
        blocks_.erase(it);
    }
}

uint32_t SystemStrings::Length(PLAT_BSTR text) {
    if (text == nullptr)
        return 0;
    std::lock_guard lock(mutex_);
    auto it = blocks_.find(text);
    return it == blocks_.end() ? 0 : it->second.length;
}
