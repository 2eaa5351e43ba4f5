#pragma once
// The most-recently-used file list: newest first, no duplicates, at most a fixed size.

#include <string>
#include <vector>

class WkRecentFileList {
public:
    explicit WkRecentFileList(std::size_t capacity = 9) : capacity_(capacity) {}

    /// Puts `path` first; an existing equal entry moves up, the oldest beyond the capacity
    /// falls off.
    void Add(const std::string& path);
    /// Removes entry `index` (0 = newest); an index out of range changes nothing.
    void Remove(std::size_t index);
    void Assign(const std::vector<std::string>& entries);
    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Capacity() const { return capacity_; }

private:
    std::size_t capacity_;
    std::vector<std::string> entries_;
};
