#include "kestra/Rfc2217Server.h"

#include <algorithm>
#include <array>

namespace kestra {

using namespace telnet;

namespace {

constexpr std::array<unsigned, 8> kRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr std::uint8_t kRequestDtr = 7;
constexpr std::uint8_t kRequestRts = 10;
constexpr std::uint8_t kRequestModemState = kNotifyModemState;

} // namespace

Rfc2217Server::Rfc2217Server(unsigned baud, bool parity)
    : options_({kBinary, kSuppressGoAhead, kComPortOption},
               {kBinary, kSuppressGoAhead, kComPortOption}),
      baud_(baud), parity_(parity ? kParityEven : kParityNone) {}

void Rfc2217Server::Start(Bytes& out) {
    options_.Request(true, kBinary, out);
    options_.Request(false, kBinary, out);
    options_.Request(true, kSuppressGoAhead, out);
}

void Rfc2217Server::Feed(std::span<const std::uint8_t> in, Bytes& data, Bytes& out) {
    out_ = &out;
    receiver_.Feed(in, data, *this);
    out_ = nullptr;
}

bool Rfc2217Server::Carries(bool parity) const {
    return dataSize_ == 8 && stopSize_ == 1 && parity_ == (parity ? kParityEven : kParityNone);
}

void Rfc2217Server::OnNegotiation(std::uint8_t verb, std::uint8_t option) {
    options_.OnNegotiation(verb, option, *out_);
}

void Rfc2217Server::Answer(std::uint8_t command, std::span<const std::uint8_t> value) {
    AppendComPort(*out_, static_cast<std::uint8_t>(command + kServerOffset), value);
}

std::uint8_t Rfc2217Server::ModemState() const {
    return static_cast<std::uint8_t>((rts_ ? kModemCts : 0) | (dtr_ ? kModemDsr : 0));
}

void Rfc2217Server::NotifyModemState(bool always) {
    const std::uint8_t state = ModemState();
    const std::uint8_t changed = state ^ told_;
    if (!always && (changed & modemMask_) == 0) {
        return;
    }
    const std::uint8_t deltas =
        static_cast<std::uint8_t>(((changed & kModemCts) ? kModemCtsChanged : 0) |
                                  ((changed & kModemDsr) ? kModemDsrChanged : 0));
    const std::uint8_t told = static_cast<std::uint8_t>((state | deltas) & modemMask_);
    Answer(kNotifyModemState, {&told, 1});
    told_ = state;
}

void Rfc2217Server::OnSubnegotiation(std::span<const std::uint8_t> body) {
    if (body.size() < 2 || body[0] != kComPortOption) {
        return;
    }
    const std::uint8_t command = body[1];
    const auto value = body.subspan(2);
    const std::uint8_t first = value.empty() ? 0 : value[0];
    switch (command) {
    case kSetBaudRate: {
        if (value.size() >= 4) {
            const unsigned asked =
                static_cast<unsigned>(value[0]) << 24 | value[1] << 16 | value[2] << 8 | value[3];
            if (std::find(kRates.begin(), kRates.end(), asked) != kRates.end()) {
                baud_ = asked; // 0 (a question) or a rate the line cannot run keeps the rate
            }
        }
        const std::uint8_t rate[4] = {
            static_cast<std::uint8_t>(baud_ >> 24), static_cast<std::uint8_t>(baud_ >> 16),
            static_cast<std::uint8_t>(baud_ >> 8), static_cast<std::uint8_t>(baud_)};
        Answer(command, rate);
        break;
    }
    case kSetDataSize:
        dataSize_ = first >= 5 && first <= 8 ? first : dataSize_;
        Answer(command, {&dataSize_, 1});
        break;
    case kSetParity:
        parity_ = first >= 1 && first <= 5 ? first : parity_;
        Answer(command, {&parity_, 1});
        break;
    case kSetStopSize:
        stopSize_ = first >= 1 && first <= 3 ? first : stopSize_;
        Answer(command, {&stopSize_, 1});
        break;
    case kSetControl: {
        std::uint8_t state = first;
        if (first == kControlRtsOn || first == kControlRtsOff || first == kRequestRts) {
            rts_ = first == kRequestRts ? rts_ : first == kControlRtsOn;
            state = rts_ ? kControlRtsOn : kControlRtsOff;
        } else if (first == kControlDtrOn || first == kControlDtrOff || first == kRequestDtr) {
            dtr_ = first == kRequestDtr ? dtr_ : first == kControlDtrOn;
            state = dtr_ ? kControlDtrOn : kControlDtrOff;
        } else {
            state = kControlNoFlowControl; // the only flow control there is
        }
        Answer(command, {&state, 1});
        NotifyModemState(false);
        break;
    }
    case kSetModemStateMask:
        modemMask_ = first;
        Answer(command, {&modemMask_, 1});
        NotifyModemState(true);
        break;
    case kRequestModemState:
        NotifyModemState(true);
        break;
    default:
        // Purges and the line-state mask: nothing is held back here, and no line errors occur.
        Answer(command, value);
        break;
    }
}

} // namespace kestra
