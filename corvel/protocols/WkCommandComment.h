#pragma once
// The comment a protocol gets when it is appended to a macro: the command name of its
// control byte, as the workbench names the commands elsewhere.

#include <string>

/// The command name of the control byte (the third byte) of `protocol`, a hex text; for 0x71
/// the length byte tells the model (12: KRB, 14: KRD, else an empty comment). A text too
/// short for a control byte, or an unknown byte, gives "unknown command". Only hex digits
/// count, so "06 FF 65" and "06FF65" name the same command.
std::string WkCommandComment(const std::string& protocol);
