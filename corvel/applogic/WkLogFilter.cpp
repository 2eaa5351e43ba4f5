#include "WkLogFilter.h"

bool WkLogFilter::Matches(const WkLogStore& store, WkLogStore::LineId id) const {
    if (errorsOnly && !store.IsError(id)) {
        return false;
    }
    const WkLineKind kind = store.Kind(id);
    if (direction == Direction::kRequests && kind != WkLineKind::kSend) {
        return false;
    }
    if (direction == Direction::kAnswers &&
        (kind == WkLineKind::kSend || kind == WkLineKind::kText)) {
        return false;
    }
    if (address >= 0 && store.Address(id) != address) {
        return false;
    }
    if (command >= 0 && store.Command(id) != command) {
        return false;
    }
    if (port >= 0 && store.Port(id) != port) {
        return false;
    }
    return true;
}
