#include "Rfc2217Client.h"

namespace sorn {

using namespace telnet;

namespace {

// Notifications of CTS and DSR and of their changes; carrier and ring are of no use here.
constexpr std::uint8_t kModemMask = kModemCts | kModemDsr | kModemCtsChanged | kModemDsrChanged;
constexpr std::uint8_t kFrameCommands[3] = {kSetDataSize, kSetParity, kSetStopSize};

// The frame's data size, parity and stop size as the option codes them.
void FrameCodes(const std::string& frame, std::uint8_t (&codes)[3]) {
    codes[0] = static_cast<std::uint8_t>(frame[0] - '0');
    codes[1] = frame[1] == 'E' ? kParityEven : frame[1] == 'O' ? kParityOdd : kParityNone;
    codes[2] = static_cast<std::uint8_t>(frame[2] - '0');
}

} // namespace

Rfc2217Client::Rfc2217Client()
    : options_({kBinary, kSuppressGoAhead, kComPortOption},
               {kBinary, kSuppressGoAhead, kComPortOption}) {}

void Rfc2217Client::Start(Bytes& out) {
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        options_.Request(true, option, out);
        options_.Request(false, option, out);
    }
    options_.Request(true, kComPortOption, out);
}

bool Rfc2217Client::Negotiated() const {
    for (const bool local : {true, false}) {
        if (!options_.Settled(local, kBinary) || !options_.Settled(local, kSuppressGoAhead)) {
            return false;
        }
    }
    return options_.Settled(true, kComPortOption);
}

bool Rfc2217Client::ComPortActive() const {
    // Some servers only take the client's WILL, others also offer theirs: either will do.
    return options_.Enabled(true, kComPortOption) || options_.Enabled(false, kComPortOption);
}

void Rfc2217Client::Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
                         Bytes& out) {
    out_ = &out;
    receiver_.Feed(in, data, *this);
    out_ = nullptr;
    if (ComPortActive() && !announced_) {
        announced_ = true;
        SendAll(out);
    } else if (!ComPortActive()) {
        announced_ = false;
        awaiting_.reset();
        control_ = false;
    }
}

void Rfc2217Client::OnNegotiation(std::uint8_t verb, std::uint8_t option) {
    options_.OnNegotiation(verb, option, *out_);
}

void Rfc2217Client::OnSubnegotiation(std::span<const std::uint8_t> body) {
    if (body.size() < 3 || body[0] != kComPortOption || body[1] <= kServerOffset) {
        return;
    }
    const std::uint8_t command = body[1] - kServerOffset;
    const auto value = body.subspan(2);
    switch (command) {
    case kSetBaudRate:
        // Some servers send more than four bytes; the rate is in the first four.
        if (value.size() >= 4) {
            confirmedBaud_ = static_cast<std::uint32_t>(value[0]) << 24 | value[1] << 16 |
                             value[2] << 8 | value[3];
            awaiting_.reset(command);
        }
        break;
    case kSetDataSize:
    case kSetParity:
    case kSetStopSize:
        confirmed_[command - kSetDataSize] = value[0];
        awaiting_.reset(command);
        break;
    case kNotifyModemState:
        modemState_ = value[0];
        break;
    case kSetControl:
        control_ = false; // answers come in order: the last request's answer comes last
        break;
    default:
        break;
    }
}

void Rfc2217Client::Send(std::uint8_t command, std::span<const std::uint8_t> value, Bytes& out) {
    AppendComPort(out, command, value);
}

void Rfc2217Client::SetLine(int baud, const std::string& frame, Bytes& out) {
    const bool all = baud_ == 0;
    baud_ = baud;
    frame_ = frame;
    if (!announced_) {
        return; // it goes out when the server agrees to the option
    }
    awaiting_.reset(); // answers still missing from before will not come any more
    control_ = false;
    const auto rate = static_cast<std::uint32_t>(baud);
    if (all || rate != askedBaud_) {
        const std::uint8_t value[4] = {
            static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
            static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)};
        Send(kSetBaudRate, value, out);
        askedBaud_ = rate;
        awaiting_.set(kSetBaudRate);
    }
    std::uint8_t codes[3] = {};
    FrameCodes(frame, codes);
    for (int i = 0; i < 3; ++i) {
        if (all || codes[i] != asked_[i]) {
            Send(kFrameCommands[i], {&codes[i], 1}, out);
            asked_[i] = codes[i];
            awaiting_.set(kFrameCommands[i]);
        }
    }
}

void Rfc2217Client::SendAll(Bytes& out) {
    const std::uint8_t noFlowControl = kControlNoFlowControl;
    Send(kSetControl, {&noFlowControl, 1}, out);
    const std::uint8_t mask = kModemMask;
    Send(kSetModemStateMask, {&mask, 1}, out);
    if (baud_ != 0) {
        const int baud = baud_;
        baud_ = 0; // everything again: the server may have forgotten it
        SetLine(baud, frame_, out);
    }
    if (rts_) {
        SetModemLine(true, *rts_, out);
    }
    if (dtr_) {
        SetModemLine(false, *dtr_, out);
    }
}

void Rfc2217Client::SetModemLine(bool rts, bool on, Bytes& out) {
    (rts ? rts_ : dtr_) = on;
    if (announced_) {
        const std::uint8_t code =
            rts ? (on ? kControlRtsOn : kControlRtsOff) : (on ? kControlDtrOn : kControlDtrOff);
        Send(kSetControl, {&code, 1}, out);
        control_ = true;
    }
}

void Rfc2217Client::Purge(Bytes& out) {
    if (announced_) {
        const std::uint8_t what = kPurgeReceived;
        Send(kPurgeData, {&what, 1}, out);
    }
}

bool Rfc2217Client::Answered() const {
    return awaiting_.none() && !control_;
}

std::string Rfc2217Client::ConfirmedFrame() const {
    const std::uint8_t size = confirmed_[0];
    const std::uint8_t parity = confirmed_[1];
    const std::uint8_t stop = confirmed_[2];
    if ((size != 7 && size != 8) || parity < kParityNone || parity > kParityEven ||
        (stop != 1 && stop != 2)) {
        return {};
    }
    const char letter = parity == kParityEven ? 'E' : parity == kParityOdd ? 'O' : 'N';
    return {static_cast<char>('0' + size), letter, static_cast<char>('0' + stop)};
}

bool Rfc2217Client::ModemLines(bool& cts, bool& dsr) const {
    if (!modemState_) {
        return false;
    }
    cts = (*modemState_ & kModemCts) != 0;
    dsr = (*modemState_ & kModemDsr) != 0;
    return true;
}

} // namespace sorn
