// Feeds arbitrary bytes to the answer check as a received frame of any claimed length, and
// checks that an accepted answer is consistent with its own bytes and rebuilds identically.
#include "FrameCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte varies the claimed count around the real one (the count a serial-port
    // library reports may disagree with the bytes in the buffer); never above the buffer.
    const int real = static_cast<int>(size - 1);
    const int claimed = real - (data[0] & 0x0F);
    std::vector<unsigned char> frame(data + 1, data + size);

    AnswerParts parts;
    const int rc = CheckAnswerFrame(frame.data(), claimed, parts);
    if (rc < 0) {
        if (rc != -2030 && rc != -2031)
            std::abort();
        return 0;
    }
    const int length = frame[0];
    if (length < kMinAnswerLength || length > claimed || rc != frame[3] ||
        parts.dataLength != length - kMinAnswerLength || parts.data != frame.data() + 4 ||
        parts.busAddress != frame[1] || parts.command != frame[2])
        std::abort();

    // An accepted answer's bytes after the status form a request of the same checksum rule.
    if (parts.dataLength <= kMaxRequestData) {
        std::vector<unsigned char> rebuilt(static_cast<std::size_t>(parts.dataLength) + 5);
        const int n = BuildRequestFrame(parts.busAddress, parts.command, parts.data,
                                        parts.dataLength, rebuilt.data());
        if (n != parts.dataLength + 4 || FrameChecksum(rebuilt.data(), n) != 0)
            std::abort();
    }
    return 0;
}
