#pragma once
// Our small rich-text (RTF) writer and reader for the protocol window's ".log" files.
//
// Text is 8-bit (the Windows ANSI code page, read here as Latin-1), or UTF-8 for the Utf8
// functions, whose characters beyond Latin-1 travel as "\uN?". The writer puts one
// paragraph per line in one font; the reader returns the plain text of any ordinary RTF
// file, one '\n' per paragraph or line break, and skips fonts, colours, pictures, styles,
// document info and every "\*" destination.

#include <optional>
#include <string>
#include <string_view>
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

/// As WriteRtfLines for lines in UTF-8. Characters up to U+00FF are written exactly as
/// WriteRtfLines writes their Latin-1 bytes, so Latin-1 text gives the same file; characters
/// beyond are written as "\uN?" (N each UTF-16 unit as a signed 16-bit number). A byte that
/// is not part of well-formed UTF-8 is taken as its Latin-1 character.
std::string WriteRtfUtf8Lines(const std::vector<std::string>& lines, const WkLogFont& font);

/// As ReadRtfText, the text in UTF-8: "\'xx" and 8-bit bytes are Latin-1 characters, "\uN"
/// the character N (a surrogate pair joined; a lone half reads as '?').
std::optional<std::string> ReadRtfUtf8Text(const std::string& rtf);

/// The rich text of WriteRtfUtf8Lines in pieces, for text too long to build at once:
/// RtfStart, AppendRtfUtf8Line for each line, then kRtfEnd.
std::string RtfStart(const WkLogFont& font);
void AppendRtfUtf8Line(std::string& out, std::string_view line);
inline constexpr std::string_view kRtfEnd = "}\n";

/// Splits text at '\n' into lines; a final line end does not start another line.
std::vector<std::string> SplitTextLines(const std::string& text);
