#include "SendJob.h"

#include "ThreadQueue.h"

#include <utility>

SendJob::SendJob(std::shared_ptr<WindowTarget> window, uint32_t message, uintptr_t wParam,
                 intptr_t lParam, std::shared_ptr<ThreadQueue> sender)
    : window_(std::move(window)), message_(message), wParam_(wParam), lParam_(lParam),
      sender_(std::move(sender)) {}

void SendJob::Run() {
    intptr_t value = 0;
    // A procedure that throws must not leave its sender waiting for ever.
    try {
        value = window_->Call(message_, wParam_, lParam_);
    } catch (...) {
        value = 0;
    }
    Fail(value);
}

void SendJob::Fail(intptr_t value) {
    if (sender_)
        sender_->Complete(*this, value);
}
