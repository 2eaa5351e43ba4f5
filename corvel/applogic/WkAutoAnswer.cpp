#include "WkAutoAnswer.h"

#include "CorvelApp.h"
#include "Prompts.h"
#include "WkAAThread.h"
#include "WkComPortManager.h"
#include "WkDocTemplate.h"
#include "WkLibraries.h"
#include "WkLinePort.h"
#include "WkLogDoc.h"

WkAutoAnswer::WkAutoAnswer(CorvelApp& app, WkPortAccess& access, Prompts& prompts)
    : app_(app), access_(access), prompts_(prompts) {}

WkAutoAnswer::~WkAutoAnswer() {
    Destroy();
}

bool WkAutoAnswer::Create() {
    if (thread_) {
        return true;
    }
    auto thread = std::make_unique<WkAAThread>(
        [this](int port, unsigned char* buffer, int size) {
            return access_.Receive(port, buffer, size);
        },
        [this](WkPackedTime time, std::vector<std::vector<std::uint8_t>>& pieces, bool silent) {
            return app_.AppendReceivedToProtocolWindow(time, pieces, silent,
                                                       watchedPortNumber_.load());
        },
        [this] {
            if (stoppedNotice_) {
                stoppedNotice_();
            }
        });
    if (!thread->Start()) {
        return false;
    }
    thread_ = std::move(thread);
    return true;
}

void WkAutoAnswer::ServeProtocolWindow() {
    // Lines of the worker that wait in the window's queue go in.
    if (std::shared_ptr<WkLogDoc> log = app_.ProtocolWindowDocument()) {
        log->Drain();
    }
}

bool WkAutoAnswer::Show() {
    if (on_ || !thread_) {
        return false;
    }
    WkDocTemplate* log = app_.FindTemplate(WkDocKind::Log);
    if (log == nullptr) {
        prompts_.ShowMessage(kNoLogTemplate);
        return false;
    }
    if (!log->FirstDocument()) {
        prompts_.ShowMessage(kWindowClosed);
        return false;
    }
    const int port = app_.SelectComPort();
    if (port <= 0) {
        return false;
    }
    on_ = true;
    watchedPortNumber_ = WkLinePort::OfPort(app_.Libraries(), port);
    // Bytes that came before Show are not shown: the input queue is emptied before and after
    // the port is handed over, and the worker starts only then.
    std::string empty;
    app_.Libraries().DoPortCommand(port, "FlushInQ", empty);
    empty.clear();
    app_.Libraries().DoPortCommand(port, "FlushInQ", empty);
    thread_->Enable(port);
    return true;
}

void WkAutoAnswer::Stop() {
    on_ = false;
    if (thread_) {
        thread_->Disable([this] { ServeProtocolWindow(); });
        // Lines received before the Stop are in the window when it returns, none after.
        ServeProtocolWindow();
    }
}

int WkAutoAnswer::WatchedPort() const {
    return on_ && thread_ ? thread_->Port() : 0;
}

void WkAutoAnswer::Destroy() {
    on_ = false;
    if (thread_) {
        thread_->Quit([this] { ServeProtocolWindow(); });
        thread_.reset();
    }
}
