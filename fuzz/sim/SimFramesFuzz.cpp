// The host's line as the simulator sees it: each pair of input bytes is a pause (in
// milliseconds) and a byte. Bytes are cut into frames by their LEN byte and handed to a bus of
// two readers. Every frame is as long as its LEN says; every answer is a whole frame whose
// checksum holds.
#include "kestra/Bus.h"
#include "kestra/Frame.h"
#include "kestra/FrameAssembler.h"
#include "kestra/Reader.h"

#include <cstdint>
#include <cstdlib>

namespace {

void CheckFrame(const kestra::Bytes& bytes, std::size_t minimum) {
    if (bytes.size() < minimum || bytes.size() > kestra::kMaxFrame || bytes[0] != bytes.size() ||
        kestra::Checksum(bytes.data(), bytes.size()) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::Bus bus;
    bus.AddReader(kestra::Reader(kestra::Model::KRB, 0, 9600));
    bus.AddReader(kestra::Reader(kestra::Model::KRC, 5, 9600));
    kestra::FrameAssembler assembler(std::chrono::milliseconds(50));
    kestra::TimePoint now{};

    for (std::size_t i = 0; i + 1 < size; i += 2) {
        now += std::chrono::milliseconds(data[i]);
        const std::optional<kestra::Bytes> frame = assembler.Feed(data[i + 1], now);
        if (!frame)
            continue;
        if (frame->empty() || frame->front() != frame->size() ||
            frame->size() < kestra::kMinRequest)
            std::abort();
        if (const std::optional<kestra::Emission> answer = bus.OnFrame(*frame, now, 9600))
            CheckFrame(answer->bytes, kestra::kMinAnswer);
        for (const kestra::Emission& e : bus.TakeDue(now))
            CheckFrame(e.bytes, kestra::kMinAnswer);
    }
    return 0;
}
