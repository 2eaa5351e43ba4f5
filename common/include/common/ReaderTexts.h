#pragma once
// The one-line English texts of the reader library's error codes and of the status byte that
// every reader answer carries. Shared by the library and by everything that shows frames.

#include <string>

/// The text of a reader library error code (-2000 .. -2099), or null when the code has none.
const char* FindReaderErrorText(int errorCode);

/// The text of a reader status byte (only the low 8 bits count), or null when it has none.
const char* FindReaderStatusText(int statusByte);

/// The text of an error code, or the fallback "VELK: Unknown Errorcode (%d)".
std::string ReaderErrorText(int errorCode);

/// The text of a status byte, or the fallback "VELK: Unknown Status Byte (0x%02X)".
std::string ReaderStatusText(int statusByte);
