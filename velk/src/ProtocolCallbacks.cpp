#include "ProtocolCallbacks.h"

#include <atomic>

namespace {

// Read on every hand-over, possibly while the application replaces them.
std::atomic<VELK_PROT_CALLBACK> gProtocolCallback{nullptr};
std::atomic<VELK_PROT_CALLBACK> gSendProtocolCallback{nullptr};

} // namespace

VELK_PROT_CALLBACK ProtocolCallback() {
    return gProtocolCallback.load();
}
void SetProtocolCallback(VELK_PROT_CALLBACK callback) {
    gProtocolCallback.store(callback);
}

VELK_PROT_CALLBACK SendProtocolCallback() {
    return gSendProtocolCallback.load();
}
void SetSendProtocolCallback(VELK_PROT_CALLBACK callback) {
    gSendProtocolCallback.store(callback);
}
