#pragma once
// The frame a protocol window line shows, for "Add to Macro".

#include <optional>
#include <string>

/// The frame of a protocol window line, as pairs with single blanks: the bytes after "  >>  "
/// of a request, or the answer bytes after "  <<  " (also when an error code comes first and
/// the bytes are in brackets). None for other lines and for an answer line without bytes.
std::optional<std::string> WkLogLineFrame(const std::string& line);
