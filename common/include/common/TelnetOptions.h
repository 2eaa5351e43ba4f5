#pragma once
// The state of every Telnet option on both sides of one connection, so that no answer starts a
// loop (RFC 854): a request is answered only when it changes an option's state, and a request
// for an option this side does not take is refused once (DONT or WONT), not every time it comes
// again. "Local" options are the ones this side does itself (WILL/WONT from here, DO/DONT from
// the peer); "remote" ones the peer does.

#include "common/Telnet.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <initializer_list>

class TelnetOptions {
public:
    /// The options this side agrees to do itself (`local`) and lets the peer do (`remote`).
    TelnetOptions(std::initializer_list<std::uint8_t> local,
                  std::initializer_list<std::uint8_t> remote);

    /// Asks to turn `option` on here (WILL) or at the peer (DO), unless it is on or asked.
    void Request(bool local, std::uint8_t option, telnet::Bytes& out);

    /// A WILL, WONT, DO or DONT came; the answer that is due, if any, goes to `out`.
    void OnNegotiation(std::uint8_t verb, std::uint8_t option, telnet::Bytes& out);

    bool Enabled(bool local, std::uint8_t option) const;
    /// False while a request of this side for `option` waits for its answer.
    bool Settled(bool local, std::uint8_t option) const;

private:
    enum class State : std::uint8_t { Off, Asked, On };
    struct Side {
        std::array<State, 256> state{};
        std::bitset<256> allowed;
        std::bitset<256> refused; // asked for and refused once already
    };

    Side local_;
    Side remote_;
};
