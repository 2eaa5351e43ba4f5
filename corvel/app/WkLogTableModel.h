#pragma once
// The protocol window's rows as a Qt table: the decoded columns, or the lines as they came in
// (plain text). Cells are made only for the rows on screen (WkLogRows decodes lazily); new
// lines arrive in batches and become rows together.

#include "WkLogRows.h"

#include <QAbstractTableModel>
#include <QColor>
#include <optional>

class WkLogTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// After the decoded columns: the number of the port a line came through. The view shows
    /// it while lines of more than one port are kept.
    static constexpr int kPortColumn = WkLogRows::kColumnCount;

    explicit WkLogTableModel(const WkLogStore& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const WkLogRows& Rows() const { return rows_; }
    /// Takes the lines the store gained (and the ones it dropped) since the last call.
    void Refresh();
    void SetFilter(const WkLogFilter& filter);
    /// One column with each line's text instead of the decoded columns.
    void SetPlainText(bool plain);
    bool PlainText() const { return plain_; }
    /// Highlights the row paired with `row` (nothing: no highlight).
    void HighlightPartnerOf(std::optional<int> row);
    std::optional<int> HighlightedRow() const { return highlighted_; }

private:
    void Reset();

    const WkLogStore& store_;
    WkLogRows rows_;
    int shownRows_ = 0;
    bool plain_ = false;
    std::optional<int> highlighted_;
    QColor highlight_;
    QColor error_;
};
