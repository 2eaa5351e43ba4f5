#pragma once
// UTF-8 text, a character at a time.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

/// Appends `code` (a Unicode scalar value) to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

/// The character of UTF-8 text at `at`, moving `at` past it. A byte that does not start a
/// well-formed sequence (overlong, a surrogate, beyond U+10FFFF, cut short) gives nothing, and
/// `at` moves past that byte alone. `at` must be less than text.size().
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at);
