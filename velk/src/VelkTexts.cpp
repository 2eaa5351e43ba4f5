#include "VelkTexts.h"

#include "common/ReaderTexts.h"
#include "velk.h"

#include <cstdio>

namespace {

constexpr int kTextSize = 128;

} // namespace

int WriteErrorText(int errorCode, char* text) {
    std::snprintf(text, kTextSize, "%s", ReaderErrorText(errorCode).c_str());
    return FindReaderErrorText(errorCode) != nullptr ? 0 : VELK_ERR_UNKNOWN_ERROR_CODE;
}

int WriteStatusText(int statusByte, char* text) {
    std::snprintf(text, kTextSize, "%s", ReaderStatusText(statusByte).c_str());
    return FindReaderStatusText(statusByte) != nullptr ? 0 : VELK_ERR_UNKNOWN_STATUS;
}
