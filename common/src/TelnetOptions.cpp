#include "common/TelnetOptions.h"

using namespace telnet;

TelnetOptions::TelnetOptions(std::initializer_list<std::uint8_t> local,
                             std::initializer_list<std::uint8_t> remote) {
    for (const std::uint8_t option : local) {
        local_.allowed.set(option);
    }
    for (const std::uint8_t option : remote) {
        remote_.allowed.set(option);
    }
}

void TelnetOptions::Request(bool local, std::uint8_t option, Bytes& out) {
    State& state = (local ? local_ : remote_).state[option];
    if (state == State::Off) {
        state = State::Asked;
        AppendNegotiation(out, local ? kWill : kDo, option);
    }
}

void TelnetOptions::OnNegotiation(std::uint8_t verb, std::uint8_t option, Bytes& out) {
    // WILL and WONT are about the peer's side, DO and DONT about this one.
    const bool local = verb == kDo || verb == kDont;
    const bool on = verb == kWill || verb == kDo;
    Side& side = local ? local_ : remote_;
    State& state = side.state[option];
    const std::uint8_t yes = local ? kWill : kDo;
    const std::uint8_t no = local ? kWont : kDont;
    if (on) {
        if (state == State::Asked) {
            state = State::On;
        } else if (state == State::Off && side.allowed.test(option)) {
            state = State::On;
            AppendNegotiation(out, yes, option);
        } else if (state == State::Off && !side.refused.test(option)) {
            side.refused.set(option);
            AppendNegotiation(out, no, option);
        }
        return;
    }
    if (state == State::On) {
        AppendNegotiation(out, no, option);
    }
    state = State::Off;
}

bool TelnetOptions::Enabled(bool local, std::uint8_t option) const {
    return (local ? local_ : remote_).state[option] == State::On;
}

bool TelnetOptions::Settled(bool local, std::uint8_t option) const {
    return (local ? local_ : remote_).state[option] != State::Asked;
}
