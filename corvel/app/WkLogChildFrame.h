#pragma once
// The protocol window's frame. Closing it asks first when it holds lines that are in no file,
// then stops the reader library from handing lines over and waits, 20 ms at a time, until no
// hand-over runs.

#include "CStdChildFrame.h"

#include <memory>

class CorvelApp;
class WkLogDoc;
class WkLogView;

class WkLogChildFrame : public CStdChildFrame {
    Q_OBJECT
public:
    WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document, QWidget* parent = nullptr);

    WkLogView* View() const { return logView_; }
    const std::shared_ptr<WkLogDoc>& Document() const { return logDocument_; }

protected:
    bool RequestClose() override;

private:
    WkLogChildFrame(CorvelApp& app, std::shared_ptr<WkLogDoc> document, WkLogView* view,
                    QWidget* parent);

    std::shared_ptr<WkLogDoc> logDocument_;
    WkLogView* logView_;
    bool retryPending_ = false;
    bool closeConfirmed_ = false;
};
