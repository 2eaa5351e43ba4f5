#include "kestra/FrameAssembler.h"

namespace kestra {

std::optional<Bytes> FrameAssembler::Feed(std::uint8_t byte, TimePoint at) {
    Expire(at);
    last_ = at;
    if (partial_.empty() && byte < kMinRequest) {
        return std::nullopt;
    }
    partial_.push_back(byte);
    if (partial_.size() < partial_.front()) {
        return std::nullopt;
    }
    Bytes frame;
    frame.swap(partial_);
    return frame;
}

void FrameAssembler::Expire(TimePoint now) {
    if (!partial_.empty() && now - last_ > gap_) {
        partial_.clear();
    }
}

} // namespace kestra
