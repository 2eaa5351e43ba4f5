#pragma once
// Which library a negative result code comes from, so that its text is asked of the library
// that has it. The serial-port library's codes are -1000 .. -1999 (sorn.h names them), the
// reader library's own -2000 .. -2099 (velk.h names them); the reader library passes the
// serial-port codes through unchanged.

enum class CodeLibrary {
    kNone,       ///< no library code: success, a byte count, a status byte, a workbench code
    kSerialPort, ///< the serial-port library (SORN_GetErrorText)
    kReader,     ///< the reader library itself (VELK_GetErrorText)
};

constexpr CodeLibrary LibraryOfCode(int code) {
    if (code <= -1000 && code >= -1999) {
        return CodeLibrary::kSerialPort;
    }
    if (code <= -2000 && code >= -2099) {
        return CodeLibrary::kReader;
    }
    return CodeLibrary::kNone;
}

/// Whether the receive line of a reader exchange follows `code` with the serial-port library's
/// text. The error line does for every serial-port code; the receive line leaves the library's
/// internal error (-1000) as a bare number.
constexpr bool ReceiveLineHasSerialPortText(int code) {
    return LibraryOfCode(code) == CodeLibrary::kSerialPort && code != -1000;
}
