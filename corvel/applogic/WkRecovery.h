#pragma once
// Recovery copies: when the program is ended by a signal, each document with unsaved changes
// is written to a copy in the user's state folder, and the next start offers the copies
// again. An index file in the folder lists copy, original path and title, one per line.

#include <filesystem>
#include <string>
#include <vector>

class WkDocument;

class WkRecovery {
public:
    struct Entry {
        std::filesystem::path copy;
        std::string originalPath; ///< empty for a document that had no file
        std::string title;
    };

    /// Copies live in `folder` (created when the first copy is written). The folder is made
    /// the user's alone (0700), and so is each file in it (0600).
    explicit WkRecovery(std::filesystem::path folder);
    /// $XDG_STATE_HOME/corvel/recovery, else ~/.local/state/corvel/recovery.
    static std::filesystem::path DefaultFolder();

    /// Writes `document` to a new copy named with `extension` (".log", ".rdr" ...) and lists
    /// it with the document's path and the name part of its title (SaveNameProposal). False
    /// when it could not be written.
    bool Write(WkDocument& document, const std::string& extension);
    /// The copies listed, whose files exist.
    std::vector<Entry> Pending() const;
    /// Removes every copy and the index.
    void Discard();

private:
    std::filesystem::path folder_;
};
