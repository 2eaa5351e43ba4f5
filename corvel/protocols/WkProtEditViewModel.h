#pragma once
// The protocol editor's list: sortable by any column, each column with its own direction,
// the protocol column by one byte of the frame (the sort mode) and then its text; Send of
// the selected protocol; Insert of the clipboard item at the end. Sorting reorders the rows
// only, never the document.

#include "WkProtocolListModel.h"

#include <array>

class WkProtEditViewModel : public WkProtocolListModel {
public:
    /// Which byte of the frame orders the protocol column.
    enum SortMode { kByLength = 0, kByAddress = 1, kByControl = 2 };
    static constexpr int kColumnCount = 3;
    static constexpr const char* kSortMenuTitle = "-- Sortierung nach --";
    /// The sort mode menu's entries, by SortMode (8-bit text).
    static constexpr std::array<const char*, 3> kSortModeNames = {"L\xE4nge", "Adresse",
                                                                  "Steuerbyte"};

    using WkProtocolListModel::WkProtocolListModel;

    /// The rows in protocol-column order, ascending.
    void Start() override;
    /// Rebuilds the rows and sorts them as they were.
    void Reload() override;

    /// A left click on a column header: that column's direction turns and the rows sort by it.
    void HeaderClicked(int column);
    /// A choice in the sort mode menu: the protocol column sorts ascending by that byte.
    void ChooseSortMode(SortMode mode);
    SortMode GetSortMode() const { return sortMode_; }
    int SortColumn() const { return sortColumn_; }
    bool IsAscending(int column) const { return ascending_.at(static_cast<std::size_t>(column)); }

    /// "Insert": a copy of the clipboard item goes to the end of the document and becomes the
    /// only selected row; the edit dialog opens for it (Cancel keeps the copy as it was) and
    /// the rows sort by the protocol column, ascending. False without a clipboard item.
    bool Insert();

    /// "Send": the selected row's protocol goes out through the reader object with the item's
    /// checksum flag. None when nothing was sent (no reader object, no port, no row, no hex
    /// digits, or a protocol that cannot be sent, which is shown); else the reader library's
    /// result, which the editor does not judge.
    std::optional<int> Send();

    /// The key a row sorts by in `column`.
    std::string SortKey(const Row& row, int column) const;

protected:
    /// The flag of a protocol item is "create checksum".
    bool AddsChecksum(const WkProtocolItem& item) const override;
    void AfterEdit(int row) override;

private:
    void Sort();

    SortMode sortMode_ = kByControl;
    int sortColumn_ = 0;
    std::array<bool, kColumnCount> ascending_{true, true, true};
};
