#pragma once
// Replacing a file so that a failed write never destroys the previous one.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

/// Writes `bytes` to a new file beside `path`, flushes it and renames it over `path`. A file
/// that is replaced keeps its permission bits; a new one gets 0666 less the process's umask.
/// A symbolic link at `path` stays a link: the file it points to is replaced. Only a regular
/// file is replaced: a directory, device, FIFO or socket at `path` (or at the link's target)
/// is refused and left as it was. Returns false (and leaves `path` as it was) when any step
/// fails; `error` (may be null) then receives why, naming the path.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         std::string* error = nullptr);

/// Puts bytes at the end of the file being written; false when they could not be written.
using WkFileWriter = std::function<bool(std::string_view bytes)>;

/// The same for a file written in pieces: `produce` is called once with a writer and returns
/// false (leaving `path` as it was) when it gives up or a write failed.
bool WriteFileAtomically(const std::filesystem::path& path,
                         const std::function<bool(const WkFileWriter& write)>& produce,
                         std::string* error = nullptr);

/// What `path` is when it exists and is not a regular file: "a directory", "a FIFO",
/// "a character device", "a block device", "a socket" or "a special file". Empty for a regular
/// file and for a path where nothing is. Symbolic links are followed.
std::string NonRegularFileKind(const std::filesystem::path& path);
