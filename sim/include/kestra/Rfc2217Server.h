#pragma once
// The device server's side of Telnet with the COM Port Control Option (RFC 2217), without I/O:
// fed what the host sent, it hands back the data bytes and writes its answers into a buffer the
// caller sends. It keeps the line settings and RTS and DTR the host asked for; its CTS follows
// RTS and its DSR follows DTR, as through a cable that loops them back, and the host hears of
// every change it asked to be told of.

#include "common/Telnet.h"
#include "common/TelnetOptions.h"
#include "common/TelnetReceiver.h"

#include <cstdint>
#include <span>

namespace kestra {

class Rfc2217Server final : private TelnetReceiver::Handler {
public:
    /// A line at `baud`, 8 data bits, even parity when `parity`, one stop bit.
    Rfc2217Server(unsigned baud, bool parity);

    /// The server's opening requests: BINARY both ways, SUPPRESS-GO-AHEAD.
    void Start(telnet::Bytes& out);

    /// Bytes from the host: data to `data`, answers to `out`.
    void Feed(std::span<const std::uint8_t> in, telnet::Bytes& data, telnet::Bytes& out);

    unsigned Baud() const { return baud_; }
    /// Whether the line carries a reader's frame: 8 data bits, even parity when `parity`
    /// (none otherwise), one stop bit.
    bool Carries(bool parity) const;
    bool Rts() const { return rts_; }
    bool Dtr() const { return dtr_; }

private:
    void OnNegotiation(std::uint8_t verb, std::uint8_t option) override;
    void OnSubnegotiation(std::span<const std::uint8_t> body) override;
    void Answer(std::uint8_t command, std::span<const std::uint8_t> value);
    // Tells the host of a change of CTS or DSR, as far as its mask asks.
    void NotifyModemState(bool always);
    std::uint8_t ModemState() const;

    TelnetReceiver receiver_;
    TelnetOptions options_;
    telnet::Bytes* out_ = nullptr; // the caller's buffer while Feed runs

    unsigned baud_;
    std::uint8_t dataSize_ = 8;
    std::uint8_t parity_;
    std::uint8_t stopSize_ = 1;
    bool rts_ = false;
    bool dtr_ = false;
    std::uint8_t modemMask_ = 0;
    std::uint8_t told_ = 0; // the modem state last notified
};

} // namespace kestra
