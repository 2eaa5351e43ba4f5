#pragma once

#include "Device.h"
#include "Rfc2217Client.h"
#include "common/NetworkAddress.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace sorn {

// A serial port behind a device server: a TCP connection that carries the bytes as they are
// ("tcp://"), or Telnet with the COM Port Control Option ("rfc2217://"), which also carries the
// line settings, RTS and DTR to the server and CTS and DSR back.
//
// No thread of its own. Whoever looks at the device (a read, a wait, the line-event thread
// asking for CTS) takes in what the socket holds, without waiting, under the device's lock:
// protocol answers are handled at once and data bytes wait in the device for the next read.
// While other threads wait, an event descriptor is readable exactly as long as such bytes wait
// (or the connection ended), so every waiting thread sees them. Sends are serialised by a lock
// of their own; nothing waits while holding the state lock.
//
// A connection that ends (the server closes it, or stops answering: keep-alive probes and a
// time-out on unacknowledged data find a server that vanished) makes the device hung up.
class NetworkDevice : public Device {
public:
    // Connects to `address` within `timeoutMs` and sends the opening Telnet requests; the
    // answers are taken in by later calls (Apply waits for them). 0, or -1043 (refused), -1044
    // (no answer in time), -1048 (unknown host), -1049 (no route), -1007.
    static int Open(const NetworkAddress& address, int timeoutMs, std::shared_ptr<Device>& device,
                    const OpeningHook& opening);

    NetworkDevice(const NetworkAddress& address, int wake, int ready);
    ~NetworkDevice() override;
    NetworkDevice(const NetworkDevice&) = delete;
    NetworkDevice& operator=(const NetworkDevice&) = delete;

    int WaitReadable(int timeoutMs) override;
    int ReadAvailable(unsigned char* buffer, int size) override;
    int Write(const unsigned char* data, int length, int timeoutMs) override;
    void FlushInput() override;
    // Raw TCP keeps the settings (the server's own apply). Over RFC 2217 the changed ones go to
    // the server, and the call waits for its answers until `timeoutMs`; a server that does not
    // answer slows the call but does not fail it.
    int Apply(const LineSettings& settings, int timeoutMs) override;
    // Over RFC 2217 the server's answer is waited for until `timeoutMs`.
    int SetModemLine(bool rts, bool on, int timeoutMs) override;
    bool ReadModemLines(bool& cts, bool& dsr) override;
    LineReport Report() override;
    bool HungUp() override;
    int LossReason() override;
    void Interrupt() override;

private:
    using Clock = std::chrono::steady_clock;

    int Connect(Clock::time_point deadline);
    // Takes in what the socket holds now, then sends the answers that became due.
    void TakeIn();
    // Under mutex_: the connection ended for `reason`.
    void Lose(int reason);
    // Under mutex_: makes `ready_` readable exactly while data waits for a waiting thread, or
    // the connection ended.
    void UpdateReady();
    // Sends the protocol's pending bytes if no other send runs; never waits.
    void FlushOutbox();
    // Holding sendMutex_: sends all of `bytes` until `deadline`. 0 or a code.
    int SendAll(const telnet::Bytes& bytes, Clock::time_point deadline);
    // Sends the protocol bytes still due and what `requests` adds to them (under mutex_), all
    // of it until `deadline`. 0 or a code.
    int Ask(const std::function<void(telnet::Bytes&)>& requests, Clock::time_point deadline);
    // Waits until the server answered what was asked last (and, the first time, the opening
    // requests), or until `deadline`: 0, or -1040 when the connection ended or the device was
    // interrupted.
    int AwaitAnswers(Clock::time_point deadline);

    const NetworkAddress address_;
    int fd_ = -1;
    const int wake_;  // eventfd, readable once Interrupt was called
    const int ready_; // eventfd, see UpdateReady

    std::mutex sendMutex_; // one sender on the socket at a time; taken before mutex_
    std::mutex mutex_;     // guards everything below
    std::optional<Rfc2217Client> telnet_;
    std::deque<unsigned char> inbox_;
    telnet::Bytes outbox_;   // protocol bytes due to the server
    telnet::Bytes incoming_; // the data of one look at the socket, kept for its room
    int waiters_ = 0;        // threads waiting in WaitReadable
    bool sent_ = false;      // data went out since the last wait began
    bool readySet_ = false;
    bool negotiationWaited_ = false; // Apply waited for the opening answers once
    int lost_ = 0;                   // the code of the connection's end, 0 while it lasts
};

} // namespace sorn
