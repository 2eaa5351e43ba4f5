#pragma once
// Texts of the library's error codes and of the readers' status bytes.

/// The text of a library error code, or null when the code has none.
const char* FindErrorText(int errorCode);

/// The text of a status byte (only the low 8 bits count), or null when it has none.
const char* FindStatusText(int statusByte);

/// text := the error text or the fallback "VELK: Unknown Errorcode (%d)"; 0 or -2053.
/// Does not touch the library last error. text holds 128 bytes.
int WriteErrorText(int errorCode, char* text);

/// text := the status text or the fallback "VELK: Unknown Status Byte (0x%02X)"; 0 or -2033.
int WriteStatusText(int statusByte, char* text);
