#pragma once
// The default reader configurations "KRADef.rdr" .. "KRDDef.rdr": their names and where the
// program looks for them.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace WkReaderDefaults {

/// "KRADef.rdr" for type 1 .. "KRDDef.rdr" for type 4; empty for any other type.
std::string FileName(int readerType);

/// The working directory, the program's folder and "../share/corvel" beside it, in this
/// order. `programFolder` empty: the folder of the running executable.
std::vector<std::filesystem::path> SearchFolders(std::filesystem::path programFolder = {});

/// The first `folders` entry that holds a regular file `name`; nothing when none does.
std::optional<std::filesystem::path> Find(const std::string& name,
                                          const std::vector<std::filesystem::path>& folders);

} // namespace WkReaderDefaults
