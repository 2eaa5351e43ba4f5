#pragma once
// Whether a path the user named can be read as a document file, decided before anything reads
// it: a FIFO or a device would keep the read waiting (or take data that belongs to another
// program), and a folder has no content.

#include <optional>
#include <string>

/// The reason `path` cannot be read as a document file ("No such file or directory", "It is a
/// folder, not a file."), or nothing when it is a regular file this process may read. Opens
/// nothing but a regular file, and that without reading from it.
std::optional<std::string> UnreadableFileReason(const std::string& path);
