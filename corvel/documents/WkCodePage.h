#pragma once
// The 8-bit text of the document files is Windows-1252 (Latin-1 with the euro sign, curly
// quotes, dashes and a few letters in 0x80 .. 0x9F); the dialogs' text is UTF-8.

#include <string>
#include <string_view>

/// `bytes` of a document file as UTF-8. The five bytes that Windows-1252 leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the same number, so
/// every byte comes back unchanged through Utf8ToCp1252.
std::string Cp1252ToUtf8(std::string_view bytes);

/// `text` (UTF-8) as Windows-1252. A character the code page lacks (and a byte that is not
/// well-formed UTF-8) becomes '?'; each such character is added once to `*missing` (may be
/// null), in UTF-8, in the order they appear.
std::string Utf8ToCp1252(std::string_view text, std::string* missing = nullptr);
