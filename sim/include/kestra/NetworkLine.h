#pragma once
// The simulator as a device server: a listening TCP socket that serves one host at a time,
// with the bytes as they are ("tcp") or in Telnet with the COM Port Control Option
// ("rfc2217"). A host that connects while another has the line is let go at once; a host that
// vanished without closing is noticed by keep-alive probes, so the next one gets the line.

#include "common/NetworkAddress.h"
#include "kestra/Frame.h"
#include "kestra/Line.h"
#include "kestra/Rfc2217Server.h"

#include <optional>

namespace kestra {

class NetworkLine : public Line {
public:
    /// Listens at `address` (port 0 takes a free one); over RFC 2217 the line starts at `baud`
    /// in the readers' frame (even parity when `parity`). Throws std::system_error.
    NetworkLine(const NetworkAddress& address, unsigned baud, bool parity);
    ~NetworkLine() override;
    NetworkLine(const NetworkLine&) = delete;
    NetworkLine& operator=(const NetworkLine&) = delete;

    int Fd() const override { return host_; }
    int ListenFd() const override { return listen_; }
    bool Accept() override;
    bool DropHost() override;
    /// "rfc2217://127.0.0.1:PORT" with the port actually listened at.
    const std::string& Path() const override { return url_; }
    bool HostSetsSpeed() const override { return telnet_.has_value(); }
    unsigned LineBaud() const override;
    bool Carries(bool parity) const override;
    void SetSpeed(unsigned baud, bool parity) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t size) override;
    /// Without a host the bytes are lost, as on a line nobody listens to.
    std::size_t WriteSome(const std::uint8_t* bytes, std::size_t count) override;
    bool Holds() const override { return !pending_.empty(); }
    void Drain() override;

private:
    int listen_ = -1;
    int host_ = -1;
    std::string url_;
    bool parity_;
    unsigned baud_;
    // Over RFC 2217: the Telnet side of the present host's connection.
    std::optional<Rfc2217Server> telnet_;
    bool rfc2217_;
    // Bytes for the host its socket has not taken yet (data escaped, and protocol answers).
    Bytes pending_;
    // The socket did not take all of pending_ the last time.
    bool full_ = false;
    Bytes data_; // the data of the bytes read last, kept for its room
};

} // namespace kestra
