#include "common/Telnet.h"

#include <algorithm>

namespace telnet {

void AppendEscaped(Bytes& out, std::span<const std::uint8_t> data) {
    auto from = data.begin();
    while (from != data.end()) {
        const auto iac = std::find(from, data.end(), kIac);
        out.insert(out.end(), from, iac);
        if (iac == data.end()) {
            break;
        }
        out.push_back(kIac);
        out.push_back(kIac);
        from = iac + 1;
    }
}

void AppendNegotiation(Bytes& out, std::uint8_t verb, std::uint8_t option) {
    out.insert(out.end(), {kIac, verb, option});
}

void AppendComPort(Bytes& out, std::uint8_t command, std::span<const std::uint8_t> value) {
    out.insert(out.end(), {kIac, kSb, kComPortOption, command});
    AppendEscaped(out, value);
    out.insert(out.end(), {kIac, kSe});
}

} // namespace telnet
