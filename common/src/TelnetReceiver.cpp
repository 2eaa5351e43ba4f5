#include "common/TelnetReceiver.h"

#include "common/Telnet.h"

#include <algorithm>

void TelnetReceiver::SubByte(std::uint8_t byte) {
    if (subLength_ < sub_.size()) {
        sub_[subLength_++] = byte;
    } else {
        subTooLong_ = true;
    }
}

void TelnetReceiver::Feed(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& data,
                          Handler& handler) {
    using namespace telnet;
    auto at = in.begin();
    while (at != in.end()) {
        if (state_ == State::Data) {
            // Runs of plain data are copied whole.
            const auto iac = std::find(at, in.end(), kIac);
            data.insert(data.end(), at, iac);
            if (iac == in.end()) {
                return;
            }
            state_ = State::Iac;
            at = iac + 1;
            continue;
        }
        const std::uint8_t byte = *at++;
        switch (state_) {
        case State::Iac:
            if (byte == kIac) {
                data.push_back(kIac);
                state_ = State::Data;
            } else if (byte >= kWill && byte <= kDont) {
                verb_ = byte;
                state_ = State::Option;
            } else if (byte == kSb) {
                subLength_ = 0;
                subTooLong_ = false;
                state_ = State::Sub;
            } else {
                state_ = State::Data; // NOP, GA, a stray SE, ...: nothing to do
            }
            break;
        case State::Option:
            state_ = State::Data;
            handler.OnNegotiation(verb_, byte);
            break;
        case State::Sub:
            if (byte == kIac) {
                state_ = State::SubIac;
            } else {
                SubByte(byte);
            }
            break;
        case State::SubIac:
            if (byte == kIac) {
                SubByte(kIac);
                state_ = State::Sub;
            } else if (byte == kSe) {
                state_ = State::Data;
                if (subTooLong_) {
                    ++dropped_;
                } else if (subLength_ > 0) {
                    handler.OnSubnegotiation({sub_.data(), subLength_});
                }
            } else {
                // Another command inside a subnegotiation ends it unfinished (RFC 855 knows
                // none); it is dropped and the command is read as such.
                ++dropped_;
                state_ = State::Iac;
                --at;
            }
            break;
        case State::Data:
            break;
        }
    }
}
