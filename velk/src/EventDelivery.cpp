// Delivery of one hand-over to one event handler, by its method, through the process-wide
// platform services (thread queues, window targets, event objects, system strings).
#include "EventHandlerList.h"

#include "platform.h"

#include <algorithm>
#include <vector>

namespace {

// A system string holds at most this many characters of a text.
constexpr int kMaxWideLength = 511;

void DeliverWideString(intptr_t target, const char* text, int length, int code) {
    // Each byte becomes one character, so raw scan data keeps its values.
    const int wideLength = std::clamp(length, 0, kMaxWideLength);
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    for (int i = 0; i < wideLength; ++i)
        wide[static_cast<std::size_t>(i)] =
            static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    PLAT_BSTR string = PLAT_SysAllocStringLen(wide.data(), static_cast<uint32_t>(wideLength));
    if (string == nullptr)
        return;
    // The receiver owns the string from here and frees it with PLAT_SysFreeString.
    reinterpret_cast<VELK_EVENT_WFUNCTION>(target)(string, wideLength, code);
}

} // namespace

void DeliverToHandler(const VELK_EVENT_HANDLER& handler, const char* text, int length, int code) {
    const auto wParam = reinterpret_cast<uintptr_t>(text);
    switch (handler.method) {
    case 1:
        PLAT_PostThreadMessage(static_cast<PLAT_THREADID>(handler.target),
                               static_cast<uint32_t>(handler.message), wParam, code);
        break;
    case 2:
        PLAT_SendMessage(static_cast<PLAT_HWND>(handler.target),
                         static_cast<uint32_t>(handler.message), wParam, code);
        break;
    case 3:
        if (handler.target != 0)
            reinterpret_cast<VELK_EVENT_FUNCTION>(handler.target)(text, code);
        break;
    case 4:
        if (handler.target != 0)
            PLAT_SetEvent(static_cast<PLAT_HANDLE>(handler.target));
        break;
    case 5:
        if (handler.target != 0)
            DeliverWideString(handler.target, text, length, code);
        break;
    default:
        break;
    }
}
