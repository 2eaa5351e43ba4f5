#pragma once
// The result of a reader command as a user reads it.

#include <string>

/// "OK" for 0; for a negative code the serial-port or reader library's text, or for -1 .. -4
/// what the workbench's command layers mean by it, with "(ErrorCode: N)"; for a reader status
/// its text with "(Statusbyte: 0xNN)".
std::string WkResultText(int code);
