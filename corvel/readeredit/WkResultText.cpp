#include "WkResultText.h"

#include "WkLinkedLibraries.h"
#include "common/ReaderTexts.h"

#include <cstdio>

std::string WkResultText(int code) {
    if (code == 0) {
        return "OK";
    }
    if (code > 0) {
        char number[8];
        std::snprintf(number, sizeof number, "0x%02X", code & 0xFF);
        return ReaderStatusText(code) + " (Statusbyte: " + number + ")";
    }
    static const char* const kOwn[] = {"no reader object", "no COM port chosen",
                                       "command not handled", "not bound to a reader"};
    const std::string text = code >= -4 ? kOwn[-code - 1] : WkLinkedLibraries().ErrorText(code);
    return (text.empty() ? "error" : text) + " (ErrorCode: " + std::to_string(code) + ")";
}
