#include "WkLogChildFrame.h"

#include "CorvelApp.h"
#include "WkLogDoc.h"
#include "WkLogTableModel.h"
#include "WkLogView.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>

WkLogChildFrame::WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document,
                                 QWidget* parent)
    : WkLogChildFrame(app, document, new WkLogView(document), parent) {}

WkLogChildFrame::WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document,
                                 WkLogView* view, QWidget* parent)
    : CStdChildFrame(app, document, view, parent), logDocument_(std::move(document)),
      logView_(view) {
    logView_->SetAddToMacro(
        [&app](const std::string& line) { return app.AddLogLineToMacro(line); });
    logView_->SetPrompts(&app.UserPrompts());
    // Copy follows the selection of rows, also where selected rows leave the window.
    connect(logView_->Table()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CStdChildFrame::CommandsChanged);
    connect(logView_->Model(), &QAbstractItemModel::rowsRemoved, this,
            &CStdChildFrame::CommandsChanged);
    connect(logView_->Model(), &QAbstractItemModel::modelReset, this,
            &CStdChildFrame::CommandsChanged);
}

bool WkLogChildFrame::RequestClose() {
    // Lines that are in no file are asked about once; the retries below only wait.
    if (!closeConfirmed_) {
        if (!App().QueryCloseDocument(*logDocument_)) {
            return false;
        }
        closeConfirmed_ = true;
    }
    if (App().TryCloseProtocolWindow(logDocument_)) {
        return true;
    }
    // A reader is inside a hand-over; ask again shortly, keeping the event loop running so
    // that the hand-over can finish.
    if (!retryPending_) {
        retryPending_ = true;
        QTimer::singleShot(20, this, [this] {
            retryPending_ = false;
            close();
        });
    }
    return false;
}
