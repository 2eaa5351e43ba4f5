// Any bytes as a device server's side of an RFC 2217 connection: the client hands back only
// data (no more bytes than came, all of them when no 0xFF came, the same wherever the reads
// split the bytes) and answers no faster than it is asked (no loop of refusals); a
// subnegotiation of any length costs no memory (a sanitizer would see it).
#include "Rfc2217Client.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Run(std::span<const std::uint8_t> in, std::size_t split, Bytes& data, Bytes& out) {
    sorn::Rfc2217Client client;
    client.Start(out);
    client.SetLine(9600, "8E1", out);
    client.Feed(in.first(split), data, out);
    client.Feed(in.subspan(split), data, out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> in(bytes + 1, size - 1);
    Bytes whole;
    Bytes wholeOut;
    Run(in, 0, whole, wholeOut);
    Bytes parts;
    Bytes partsOut;
    Run(in, std::min<std::size_t>(bytes[0], in.size()), parts, partsOut);
    if (whole != parts || whole.size() > in.size()) {
        std::abort();
    }
    if (std::find(in.begin(), in.end(), 0xFF) == in.end() &&
        !std::equal(in.begin(), in.end(), whole.begin(), whole.end())) {
        std::abort();
    }
    // Each answer answers a request of at least as many bytes, besides the opening requests
    // and the settings sent each time the server agrees to the option (3 bytes or more).
    constexpr std::size_t kOpening = 15;
    constexpr std::size_t kSettings = 64;
    if (wholeOut.size() > kOpening + in.size() * (1 + kSettings / 3)) {
        std::abort();
    }
    return 0;
}
