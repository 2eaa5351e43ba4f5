#pragma once
// The protocol window's intake: takes the document's lines into the table model on the
// model's thread. Lines of other threads come in batches: a timer takes them a few
// milliseconds after the first of a batch, a full batch at once. Needs no widgets; the view
// follows the new rows through the two signals.

#include "WkLogSink.h"

#include <QObject>
#include <memory>

class QTimer;
class WkLogDoc;
class WkLogTableModel;

class WkLogViewFeed : public QObject, public WkLogSink {
    Q_OBJECT
public:
    /// Attaches itself to `document` on the calling thread, which owns `model` (not owned;
    /// it must outlive this object).
    WkLogViewFeed(std::shared_ptr<WkLogDoc> document, WkLogTableModel& model,
                  QObject* parent = nullptr);
    ~WkLogViewFeed() override;

    void AppendLines(const std::vector<std::string>& lines) override;
    bool WantsLineText() const override { return false; }
    void RequestDrain(bool now) override;
    /// Takes the rows the store gained or lost outside the document's appends (a new line
    /// limit).
    void TakeRows();

signals:
    void RowsAboutToBeTaken();
    void RowsTaken();

private:
    void DrainNow();

    std::shared_ptr<WkLogDoc> document_;
    WkLogTableModel& model_;
    QTimer* timer_;
};
