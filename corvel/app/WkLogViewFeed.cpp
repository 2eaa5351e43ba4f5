#include "WkLogViewFeed.h"

#include "WkLogDoc.h"
#include "WkLogTableModel.h"

#include <QThread>
#include <QTimer>
#include <thread>

WkLogViewFeed::WkLogViewFeed(std::shared_ptr<WkLogDoc> document, WkLogTableModel& model,
                             QObject* parent)
    : QObject(parent), document_(std::move(document)), model_(model), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(WkLogDoc::kBatchTime);
    connect(timer_, &QTimer::timeout, this, &WkLogViewFeed::DrainNow);
    document_->AttachSink(this, std::this_thread::get_id());
}

WkLogViewFeed::~WkLogViewFeed() {
    document_->DetachSink();
}

void WkLogViewFeed::AppendLines(const std::vector<std::string>& /*lines*/) {
    TakeRows();
}

void WkLogViewFeed::TakeRows() {
    emit RowsAboutToBeTaken();
    model_.Refresh();
    emit RowsTaken();
}

void WkLogViewFeed::RequestDrain(bool now) {
    // Called with the document locked, from any thread: only post, or arm the timer, which
    // belongs to this object's thread.
    auto arm = [this, now] {
        if (now) {
            DrainNow();
        } else if (!timer_->isActive()) {
            timer_->start();
        }
    };
    if (QThread::currentThread() == thread() && !now) {
        arm();
    } else {
        QMetaObject::invokeMethod(this, arm, Qt::QueuedConnection);
    }
}

void WkLogViewFeed::DrainNow() {
    timer_->stop();
    document_->Drain();
}
