#pragma once
// A reader's event handlers in registration order, and the delivery of a hand-over to every
// handler whose event value selects the channel.

#include "velk.h"

#include <mutex>
#include <vector>

/// The channels a hand-over goes out on.
enum HandOverChannel : int {
    kChannelSendLine = 2,
    kChannelReceiveLine = 3,
    kChannelScanData = 4,
    kChannelErrorLine = 101,
    kChannelHexRequest = 102,
};

/// Message number used for methods 1 and 2 when the handler gives 0.
inline constexpr int kDefaultEventMessage = 1029;

class EventHandlerList {
public:
    /// True when a handler's event value selects the channel.
    static bool Selects(int event, int channel);

    /// The copy that is kept: message only for methods 1 and 2, 0 there meaning 1029.
    static VELK_EVENT_HANDLER MakeCopy(const VELK_EVENT_HANDLER& handler);

    /// True when a handler with the same method, event and target is registered.
    bool Contains(const VELK_EVENT_HANDLER& handler) const;
    void Append(const VELK_EVENT_HANDLER& copy);
    /// Removes the first handler with the same method, event and target; false when none.
    bool Remove(const VELK_EVENT_HANDLER& handler);
    void Clear();

    /// Delivers (text, length, code) to every selecting handler, in registration order.
    /// The list is copied first, so a handler may be added or removed meanwhile on another
    /// thread (the scan thread delivers while the application registers).
    void Deliver(int channel, const char* text, int length, int code) const;

private:
    mutable std::mutex mutex_;
    std::vector<VELK_EVENT_HANDLER> handlers_;
};

/// Delivers one hand-over to one handler by its method (EventDelivery.cpp).
void DeliverToHandler(const VELK_EVENT_HANDLER& handler, const char* text, int length, int code);
