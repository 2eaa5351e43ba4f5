#pragma once
// The texts of the library's error codes and of the readers' status bytes, with their
// fallbacks (the tables themselves are shared, common/ReaderTexts.h).

/// text := the error text or the fallback "VELK: Unknown Errorcode (%d)"; 0 or
/// VELK_ERR_UNKNOWN_ERROR_CODE. Does not touch the library last error. text holds 128 bytes.
int WriteErrorText(int errorCode, char* text);

/// text := the status text or the fallback "VELK: Unknown Status Byte (0x%02X)"; 0 or
/// VELK_ERR_UNKNOWN_STATUS.
int WriteStatusText(int statusByte, char* text);
