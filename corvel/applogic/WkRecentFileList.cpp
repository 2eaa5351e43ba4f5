#include "WkRecentFileList.h"

#include <algorithm>

void WkRecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    std::erase(entries_, path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > capacity_) {
        entries_.resize(capacity_);
    }
}

void WkRecentFileList::Remove(std::size_t index) {
    if (index < entries_.size()) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void WkRecentFileList::Assign(const std::vector<std::string>& entries) {
    entries_.clear();
    // Oldest first, so that the newest ends up in front.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        Add(*it);
    }
}
