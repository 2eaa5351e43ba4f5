#pragma once
// Replacing a file so that a failed write never destroys the previous one.

#include <filesystem>
#include <string_view>

/// Writes `bytes` to a new file beside `path`, flushes it and renames it over `path`. A file
/// that is replaced keeps its permission bits; a new one gets 0666 less the process's umask.
/// A symbolic link at `path` stays a link: the file it points to is replaced. Returns false
/// (and leaves `path` as it was) when any step fails.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);
