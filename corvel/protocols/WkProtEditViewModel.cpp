#include "WkProtEditViewModel.h"

#include "WkProtocolListDoc.h"

#include "common/HexText.h"

#include <algorithm>
#include <numeric>

void WkProtEditViewModel::Start() {
    WkProtocolListModel::Reload();
    sortColumn_ = 0;
    ascending_[0] = true;
    Sort();
    Port().Start();
}

void WkProtEditViewModel::Reload() {
    WkProtocolListModel::Reload();
    Sort();
}

void WkProtEditViewModel::HeaderClicked(int column) {
    if (column < 0 || column >= kColumnCount) {
        return;
    }
    sortColumn_ = column;
    ascending_[static_cast<std::size_t>(column)] = !ascending_[static_cast<std::size_t>(column)];
    Sort();
}

void WkProtEditViewModel::ChooseSortMode(SortMode mode) {
    sortMode_ = mode;
    sortColumn_ = 0;
    ascending_[0] = true;
    Sort();
}

std::string WkProtEditViewModel::SortKey(const Row& row, int column) const {
    if (column == 1) {
        return row.comment;
    }
    if (column == 2) {
        return row.flag;
    }
    std::string digits = row.protocol;
    StripNonHex(digits);
    const std::size_t first = 2 * static_cast<std::size_t>(sortMode_);
    std::string key = first < digits.size() ? digits.substr(first, 2) : std::string();
    // "0a" and "0A" are the same byte.
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
    return key + row.protocol;
}

void WkProtEditViewModel::Sort() {
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<std::string> keys;
    keys.reserve(rows_.size());
    for (const Row& row : rows_) {
        keys.push_back(SortKey(row, sortColumn_));
    }
    const bool ascending = ascending_[static_cast<std::size_t>(sortColumn_)];
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return ascending ? keys[a] < keys[b] : keys[b] < keys[a];
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    int selected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[order[i]]));
        if (static_cast<int>(order[i]) == selected_) {
            selected = static_cast<int>(i);
        }
    }
    rows_ = std::move(sorted);
    selected_ = selected;
}

bool WkProtEditViewModel::AddsChecksum(const WkProtocolItem& item) const {
    return item.flag;
}

void WkProtEditViewModel::AfterEdit(int) {
    Sort();
}

bool WkProtEditViewModel::Insert() {
    std::unique_ptr<WkProtocolItem> copy = ClipboardCopy();
    if (!copy) {
        return false;
    }
    WkProtocolItem& item = *copy;
    document_.AppendItem(std::move(copy));
    rows_.push_back(RowOf(item));
    selected_ = static_cast<int>(rows_.size()) - 1;
    if (EditChecked(item)) {
        document_.ItemChanged();
    }
    rows_.back() = RowOf(item);
    sortColumn_ = 0;
    ascending_[0] = true;
    Sort();
    return true;
}

std::optional<int> WkProtEditViewModel::Send() {
    if (document_.GetReaderHandle() == 0 || BoundPortHandle() == 0) {
        outcome_ = kNothingSentNoPort;
        return std::nullopt;
    }
    const int index = ItemIndexOfRow(selected_);
    if (index < 0) {
        return std::nullopt;
    }
    const WkProtocolItem& item = *document_.Item(static_cast<std::size_t>(index));
    std::string answer;
    const std::optional<int> result = SendItem(item, &answer);
    if (result) {
        outcome_ = "Send " + item.protocol + ": " + answer;
    }
    return result;
}
