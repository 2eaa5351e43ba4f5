#pragma once
// The owner document's wait cursor for the lifetime of a scope: a data module's command shows
// it while the reader is asked.

#include "WkModulOwner.h"

/// Shows `owner`'s wait cursor from construction to destruction; a null owner shows nothing.
class WkWaitCursor {
public:
    explicit WkWaitCursor(WkModulOwner* owner) : owner_(owner) {
        if (owner_ != nullptr) {
            owner_->BeginWaitCursor();
        }
    }
    ~WkWaitCursor() {
        if (owner_ != nullptr) {
            owner_->EndWaitCursor();
        }
    }
    WkWaitCursor(const WkWaitCursor&) = delete;
    WkWaitCursor& operator=(const WkWaitCursor&) = delete;

private:
    WkModulOwner* owner_;
};
