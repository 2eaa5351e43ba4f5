#include "WkSignalExit.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPair[2] = {-1, -1};

void OnTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(gSignalPair[1], &byte, 1);
}

} // namespace

bool WkSignalExit::InstallHandlers() {
    if (gSignalPair[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPair) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = &OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return true;
}

WkSignalExit::WkSignalExit(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (gSignalPair[0] >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(gSignalPair[0], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Handle(); });
    }
}

WkSignalExit::~WkSignalExit() = default;

bool WkSignalExit::Received() {
    char byte;
    if (!received_ && gSignalPair[0] >= 0 && ::read(gSignalPair[0], &byte, 1) == 1) {
        received_ = true;
    }
    return received_;
}

void WkSignalExit::Handle() {
    char byte;
    while (gSignalPair[0] >= 0 && ::read(gSignalPair[0], &byte, 1) == 1) {
        received_ = true;
    }
    if (received_ && onSignal_) {
        // Once: a second signal during the exit steps changes nothing.
        std::function<void()> onSignal = std::move(onSignal_);
        onSignal_ = nullptr;
        onSignal();
    }
}

void WkSignalExit::CloseModalWindows() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
        modal->close();
        if (QApplication::activeModalWidget() == modal) {
            modal->hide();
        }
    }
}
