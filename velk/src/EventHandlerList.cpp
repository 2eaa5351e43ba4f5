#include "EventHandlerList.h"

#include <algorithm>

namespace {

bool SameHandler(const VELK_EVENT_HANDLER& a, const VELK_EVENT_HANDLER& b) {
    return a.method == b.method && a.event == b.event && a.target == b.target;
}

} // namespace

bool EventHandlerList::Selects(int event, int channel) {
    switch (event) {
    case 1:
        return channel == kChannelSendLine || channel == kChannelReceiveLine ||
               channel == kChannelErrorLine;
    case 2:
        return channel == kChannelSendLine || channel == kChannelErrorLine;
    case 3:
        return channel == kChannelReceiveLine || channel == kChannelErrorLine;
    case 4:
        return channel == kChannelScanData;
    case 102:
        return channel == kChannelHexRequest;
    default:
        return false;
    }
}

VELK_EVENT_HANDLER EventHandlerList::MakeCopy(const VELK_EVENT_HANDLER& handler) {
    VELK_EVENT_HANDLER copy{};
    copy.event = handler.event;
    copy.method = handler.method;
    copy.target = handler.target;
    if (handler.method == 1 || handler.method == 2)
        copy.message = handler.message == 0 ? kDefaultEventMessage : handler.message;
    return copy;
}

bool EventHandlerList::Contains(const VELK_EVENT_HANDLER& handler) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(handlers_.begin(), handlers_.end(),
                       [&](const VELK_EVENT_HANDLER& h) { return SameHandler(h, handler); });
}

void EventHandlerList::Append(const VELK_EVENT_HANDLER& copy) {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_.push_back(copy);
}

bool EventHandlerList::Remove(const VELK_EVENT_HANDLER& handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it =
        std::find_if(handlers_.begin(), handlers_.end(),
                     [&](const VELK_EVENT_HANDLER& h) { return SameHandler(h, handler); });
    if (it == handlers_.end())
        return false;
    handlers_.erase(it);
    return true;
}

void EventHandlerList::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    handlers_.clear();
}

void EventHandlerList::Deliver(int channel, const char* text, int length, int code) const {
    std::vector<VELK_EVENT_HANDLER> selected;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const VELK_EVENT_HANDLER& h : handlers_) {
            if (Selects(h.event, channel))
                selected.push_back(h);
        }
    }
    for (const VELK_EVENT_HANDLER& h : selected)
        DeliverToHandler(h, text, length, code);
}
