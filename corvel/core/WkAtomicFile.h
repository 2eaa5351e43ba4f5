#pragma once
// Replacing a file so that a failed write never destroys the previous one.

#include <filesystem>
#include <string>

/// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`.
/// Returns false (and leaves `path` as it was) when any step fails.
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& bytes);
