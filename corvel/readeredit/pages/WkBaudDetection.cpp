#include "WkBaudDetection.h"

#include "WkCommandPage.h"
#include "WkLibraries.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr const char* kFrames[] = {"8E1", "8N1"};
struct Rate {
    const char* baud;
    int timeout; // ms
};
constexpr Rate kRates[] = {{"38400", 50}, {"19200", 50}, {"9600", 100},
                           {"4800", 100}, {"2400", 200}, {"1200", 400}};

} // namespace

WkBaudDetection::WkBaudDetection(WkLibraries* libraries, int readerHandle,
                                 std::function<int()> send,
                                 std::function<void(const std::string&)> show)
    : libraries_(libraries), readerHandle_(readerHandle), send_(std::move(send)),
      show_(std::move(show)) {}

bool WkBaudDetection::Start() {
    if (readerHandle_ <= 0 || libraries_ == nullptr) {
        show_(WkCommandPage::ResultText(-1));
        return false;
    }
    std::string handle;
    libraries_->GetReaderPara(readerHandle_, "PortHnd", handle);
    port_ = std::atoi(handle.c_str());
    if (port_ <= 0) {
        show_(WkCommandPage::ResultText(-2));
        return false;
    }
    libraries_->GetPortPara(port_, "baud", baud_);
    libraries_->GetPortPara(port_, "frame", frame_);
    libraries_->GetPortPara(port_, "timeout", timeout_);
    attempt_ = 0;
    found_ = false;
    return true;
}

bool WkBaudDetection::Step() {
    if (attempt_ >= kAttempts) {
        return true;
    }
    const char* frame = kFrames[attempt_ / 6];
    const Rate& rate = kRates[attempt_ % 6];
    ++attempt_;
    libraries_->SetPortPara(port_, "frame", frame);
    libraries_->SetPortPara(port_, "baud", rate.baud);
    libraries_->SetPortPara(port_, "timeout", std::to_string(rate.timeout * timeoutFactor_));
    const std::string text =
        std::string{"\r\n"} + "Testing baudrate" + "..." + "\r\n\r\n" + rate.baud + " / " + frame;
    show_(text);
    if (send_() >= 0) {
        found_ = true;
        show_(text + "\r\n\r\n" + "OK");
        Restore(false);
        return true;
    }
    if (attempt_ == kAttempts) {
        show_(std::string{"\r\n\r\n"} + "No Baudrate detected !");
        Restore(true);
        return true;
    }
    return false;
}

void WkBaudDetection::Cancel() {
    Restore(true);
    show_(std::string{"\r\n\r\n"} + "Baudrate detection cancelled");
}

std::string WkBaudDetection::Progress() const {
    const int attempt = std::max(attempt_, 1) - 1;
    return std::string{"Baud rate detection: "} + kRates[attempt % 6].baud + " / " +
           kFrames[attempt / 6] + ", " + std::to_string(attempt + 1) + " of " +
           std::to_string(kAttempts);
}

void WkBaudDetection::Restore(bool all) {
    if (all) {
        libraries_->SetPortPara(port_, "baud", baud_);
        libraries_->SetPortPara(port_, "frame", frame_);
    }
    libraries_->SetPortPara(port_, "timeout", timeout_);
}
