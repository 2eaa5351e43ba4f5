#include "WkRecovery.h"

#include "WkDocument.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
constexpr const char* kIndexName = "index";
} // namespace

WkRecovery::WkRecovery(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path WkRecovery::DefaultFolder() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "corvel" / "recovery";
}

bool WkRecovery::Write(WkDocument& document, const std::string& extension) {
    // The copies hold reader passwords and transponder secrets: the folder and every file in
    // it are the user's alone.
    using std::filesystem::perms;
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    std::filesystem::permissions(folder_, perms::owner_all, error);
    if (error) {
        return false;
    }
    const std::size_t number = Pending().size() + 1;
    const std::filesystem::path copy = folder_ / ("copy" + std::to_string(number) + extension);
    // A stale copy of that name (or a link placed there) is never written through.
    std::filesystem::remove(copy, error);
    // The name part of the title: the window's prefix comes again when the copy is opened.
    // Titles and paths are single lines; a line break would split the entry.
    std::string title = document.SaveNameProposal();
    std::string original = document.GetPathName();
    for (std::string* text : {&title, &original}) {
        for (char& c : *text) {
            if (c == '\n' || c == '\t') {
                c = ' ';
            }
        }
    }
    if (!document.OnSaveDocument(copy)) {
        return false;
    }
    std::filesystem::permissions(copy, perms::owner_read | perms::owner_write, error);
    const std::filesystem::path indexPath = folder_ / kIndexName;
    std::ofstream index(indexPath, std::ios::app);
    index << copy.string() << '\t' << original << '\t' << title << '\n';
    index.close();
    std::filesystem::permissions(indexPath, perms::owner_read | perms::owner_write, error);
    return static_cast<bool>(index) && !error;
}

std::vector<WkRecovery::Entry> WkRecovery::Pending() const {
    std::vector<Entry> entries;
    std::ifstream index(folder_ / kIndexName);
    std::string line;
    while (std::getline(index, line)) {
        std::istringstream fields(line);
        Entry entry;
        std::string copy;
        if (std::getline(fields, copy, '\t') && std::getline(fields, entry.originalPath, '\t') &&
            std::getline(fields, entry.title)) {
            entry.copy = copy;
            std::error_code error;
            if (std::filesystem::is_regular_file(entry.copy, error)) {
                entries.push_back(std::move(entry));
            }
        }
    }
    return entries;
}

void WkRecovery::Discard() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}
