#pragma once
// The 64-bit read-only code of a 5-byte serial number.

namespace hestel {

/// code[0..7] := the transponder code of serial[0..4].
void FormatTransponderCode(const unsigned char* serial, unsigned char* code);

} // namespace hestel
