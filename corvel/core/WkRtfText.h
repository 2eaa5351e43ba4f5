#pragma once
// Our small rich-text (RTF) writer and reader for the protocol window's ".log" files.
//
// Text is 8-bit (the Windows ANSI code page, read here as Latin-1). The writer puts one
// paragraph per line in one font; the reader returns the plain text of any ordinary RTF
// file, one '\n' per paragraph or line break, and skips fonts, colours, pictures, styles,
// document info and every "\*" destination.

#include <optional>
#include <string>
#include <vector>

/// The protocol window's character format.
struct WkLogFont {
    std::string face = "Courier New";
    int heightTwips = 175;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool autoColor = true;
    unsigned color = 0; ///< 0xRRGGBB, used when autoColor is off
};

/// The RTF text of `lines`, each line ended by a paragraph mark.
std::string WriteRtfLines(const std::vector<std::string>& lines, const WkLogFont& font);

/// The plain text of an RTF document, or nothing when `rtf` is not RTF (it must start with
/// "{\rtf") or its groups do not balance.
std::optional<std::string> ReadRtfText(const std::string& rtf);

/// Splits text at '\n' into lines; a final line end does not start another line.
std::vector<std::string> SplitTextLines(const std::string& text);
