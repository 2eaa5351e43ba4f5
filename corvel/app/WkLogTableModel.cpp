#include "WkLogTableModel.h"

#include "WkQtText.h"

#include <QPalette>
#include <algorithm>
#include <climits>

namespace {
int Clamped(std::uint64_t rows) {
    return static_cast<int>(std::min<std::uint64_t>(rows, INT_MAX));
}
} // namespace

WkLogTableModel::WkLogTableModel(const WkLogStore& store, QObject* parent)
    : QAbstractTableModel(parent), store_(store), rows_(store),
      shownRows_(Clamped(rows_.RowCount())),
      highlight_(QPalette().color(QPalette::Inactive, QPalette::Highlight).lighter(150)),
      error_(Qt::darkRed) {}

int WkLogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int WkLogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : (plain_ ? 1 : WkLogRows::kColumnCount + 1);
}

QVariant WkLogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_) {
        return {};
    }
    const auto row = static_cast<std::uint64_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (!plain_ && index.column() == kPortColumn) {
            const std::optional<WkLogStore::LineId> id = rows_.LineAt(row);
            const int port = id ? store_.Port(*id) : 0;
            return port > 0 ? QVariant(port) : QVariant();
        }
        return Utf8ToQt(plain_ ? rows_.RowText(row) : rows_.Cell(row, index.column()));
    case Qt::ToolTipRole:
        return plain_ || index.column() != WkLogRows::kDecoded
                   ? QVariant()
                   : Utf8ToQt(rows_.Cell(row, index.column()));
    case Qt::BackgroundRole:
        return highlighted_ == index.row() ? QVariant(highlight_) : QVariant();
    case Qt::ForegroundRole: {
        return rows_.IsErrorRow(row) ? QVariant(error_) : QVariant();
    }
    default:
        return {};
    }
}

QVariant WkLogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    if (plain_) {
        return QString("Line");
    }
    return section == kPortColumn ? QString("Port") : QString(WkLogRows::ColumnTitle(section));
}

void WkLogTableModel::Refresh() {
    const WkLogRows::Change change = rows_.Update();
    if (change.reset) {
        Reset();
        return;
    }
    const int first = rows_.HasMarkerRow() ? 1 : 0;
    if (change.removed > 0) {
        const int removed = std::min(Clamped(change.removed), shownRows_ - first);
        beginRemoveRows(QModelIndex(), first, first + removed - 1);
        shownRows_ -= removed;
        if (highlighted_) {
            highlighted_ = *highlighted_ - removed >= first
                               ? std::optional<int>(*highlighted_ - removed)
                               : std::nullopt;
        }
        endRemoveRows();
    }
    const int target = Clamped(rows_.RowCount());
    if (target > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, target - 1);
        shownRows_ = target;
        endInsertRows();
    }
}

void WkLogTableModel::SetFilter(const WkLogFilter& filter) {
    beginResetModel();
    rows_.SetFilter(filter);
    shownRows_ = Clamped(rows_.RowCount());
    highlighted_.reset();
    endResetModel();
}

void WkLogTableModel::SetPlainText(bool plain) {
    if (plain == plain_) {
        return;
    }
    beginResetModel();
    plain_ = plain;
    endResetModel();
}

void WkLogTableModel::HighlightPartnerOf(std::optional<int> row) {
    std::optional<int> partner;
    if (row && *row >= 0) {
        if (auto found = rows_.PartnerRow(static_cast<std::uint64_t>(*row))) {
            partner = Clamped(*found);
        }
    }
    const std::optional<int> old = highlighted_;
    highlighted_ = partner;
    for (const std::optional<int>& changed : {old, partner}) {
        if (changed && *changed < shownRows_) {
            emit dataChanged(index(*changed, 0), index(*changed, columnCount() - 1),
                             {Qt::BackgroundRole});
        }
    }
}

void WkLogTableModel::Reset() {
    beginResetModel();
    shownRows_ = Clamped(rows_.RowCount());
    highlighted_.reset();
    endResetModel();
}
