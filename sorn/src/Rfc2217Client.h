#pragma once
// The client side of a serial port behind a device server that speaks Telnet with the COM Port
// Control Option (RFC 2217), without any I/O: it is fed what came from the server and hands
// back the data bytes, and it writes the bytes that must go out into a buffer the caller sends.
//
// What the port wants (line settings, RTS, DTR) is kept: it goes out at once while the server
// has agreed to the option, and as soon as it agrees otherwise, so a late answer to the opening
// requests still leaves the line set up. A server that refuses or ignores the option gets
// plain data only.

#include "common/Telnet.h"
#include "common/TelnetOptions.h"
#include "common/TelnetReceiver.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sorn {

class Rfc2217Client final : private TelnetReceiver::Handler {
public:
    Rfc2217Client();

    /// The opening requests: BINARY and SUPPRESS-GO-AHEAD both ways, COM-PORT-OPTION.
    void Start(telnet::Bytes& out);

    /// Bytes from the server: the data bytes are appended to `data`, answers due to `out`.
    void Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
              telnet::Bytes& out);

    /// Every option asked for at the start has had its answer.
    bool Negotiated() const;
    /// The server agreed to the COM Port Control Option.
    bool ComPortActive() const;

    /// Asks for `baud` and `frame` ("8E1"): only the values that differ from those asked last.
    /// Answered then waits for the answers to these.
    void SetLine(int baud, const std::string& frame, telnet::Bytes& out);
    /// RTS (`rts`) or DTR on or off; Answered then waits for the server's answer to it.
    void SetModemLine(bool rts, bool on, telnet::Bytes& out);
    /// Asks the server to drop what it received from the line and has not sent yet.
    void Purge(telnet::Bytes& out);
    /// The settings or the line asked for last have had their answers (true while the option is
    /// off). Answers still missing from before do not count: they will not come any more.
    bool Answered() const;

    /// The baud rate the server answered last; 0 before any answer.
    int ConfirmedBaud() const { return static_cast<int>(confirmedBaud_); }
    /// The frame ("8E1") from the server's answers; empty until data size, parity and stop
    /// size were all answered, or when they name a frame Sorn does not know.
    std::string ConfirmedFrame() const;
    /// CTS and DSR as the server's last NOTIFY-MODEMSTATE told them; false before one came.
    bool ModemLines(bool& cts, bool& dsr) const;

private:
    void OnNegotiation(std::uint8_t verb, std::uint8_t option) override;
    void OnSubnegotiation(std::span<const std::uint8_t> body) override;
    // The port's wishes, all of them, once the option is on.
    void SendAll(telnet::Bytes& out);
    void Send(std::uint8_t command, std::span<const std::uint8_t> value, telnet::Bytes& out);

    TelnetReceiver receiver_;
    TelnetOptions options_;
    telnet::Bytes* out_ = nullptr; // the caller's buffer while Feed runs
    bool announced_ = false;       // the wishes went out since the option came on

    int baud_ = 0;
    std::string frame_;
    std::optional<bool> rts_;
    std::optional<bool> dtr_;
    // The frame's three settings as asked last: data size, parity, stop size.
    std::uint8_t asked_[3] = {};
    std::uint32_t askedBaud_ = 0;

    std::bitset<16> awaiting_; // settings sent (by command) without an answer yet
    bool control_ = false;     // a SET-CONTROL of SetModemLine without an answer yet
    std::uint32_t confirmedBaud_ = 0;
    std::uint8_t confirmed_[3] = {};
    std::optional<std::uint8_t> modemState_;
};

} // namespace sorn
