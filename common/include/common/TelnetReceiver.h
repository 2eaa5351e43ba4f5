#pragma once
// Takes the Telnet commands out of a received byte stream. Data bytes pass through (IAC IAC as
// one 0xFF); negotiations (IAC WILL|WONT|DO|DONT option) and subnegotiations (IAC SB option ...
// IAC SE) go to a handler; any other command (NOP, GA, ...) is dropped. The state carries over
// from one call to the next, so a command may be split anywhere between two reads.
//
// Memory stays bounded whatever a peer sends: a subnegotiation longer than any this system
// uses is dropped whole (its bytes up to IAC SE are read and forgotten), and nothing else is
// kept between calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class TelnetReceiver {
public:
    /// The longest subnegotiation kept, option byte included. The longest of the COM Port
    /// Control Option is 6 bytes (option, command, a 4-byte baud rate).
    static constexpr std::size_t kLongestSubnegotiation = 32;

    class Handler {
    public:
        /// IAC `verb` `option` arrived.
        virtual void OnNegotiation(std::uint8_t verb, std::uint8_t option) = 0;
        /// IAC SB `body` IAC SE arrived; body[0] is the option. Only for bodies of 1 ..
        /// kLongestSubnegotiation bytes.
        virtual void OnSubnegotiation(std::span<const std::uint8_t> body) = 0;

    protected:
        ~Handler() = default;
    };

    /// Appends the data bytes of `in` to `data` and hands the commands to `handler`.
    void Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data, Handler& handler);

    /// Subnegotiations dropped because they were too long.
    std::size_t Dropped() const { return dropped_; }

private:
    enum class State : std::uint8_t { Data, Iac, Option, Sub, SubIac };

    void SubByte(std::uint8_t byte);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::array<std::uint8_t, kLongestSubnegotiation> sub_{};
    std::size_t subLength_ = 0;
    bool subTooLong_ = false;
    std::size_t dropped_ = 0;
};
