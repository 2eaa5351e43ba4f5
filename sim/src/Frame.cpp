#include "kestra/Frame.h"

#include <stdexcept>

namespace kestra {

std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum ^= bytes[i];
    }
    return sum;
}

std::optional<Request> ParseRequest(const Bytes& frame) {
    if (frame.size() < kMinRequest || frame.size() > kMaxFrame || frame[0] != frame.size()) {
        return std::nullopt;
    }
    if (Checksum(frame.data(), frame.size() - 1) != frame.back()) {
        return std::nullopt;
    }
    Request request;
    request.address = frame[1];
    request.command = frame[2];
    request.data.assign(frame.begin() + 3, frame.end() - 1);
    return request;
}

Bytes BuildRequest(std::uint8_t address, std::uint8_t command, const Bytes& data) {
    if (data.size() > kMaxFrame - kMinRequest) {
        throw std::length_error("request data too long");
    }
    Bytes frame;
    frame.reserve(data.size() + kMinRequest);
    frame.push_back(static_cast<std::uint8_t>(data.size() + kMinRequest));
    frame.push_back(address);
    frame.push_back(command);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Checksum(frame.data(), frame.size()));
    return frame;
}

Bytes BuildAnswer(std::uint8_t address, std::uint8_t command, const Answer& answer) {
    if (answer.data.size() > kMaxAnswerData) {
        throw std::length_error("answer data too long");
    }
    Bytes frame;
    frame.reserve(answer.data.size() + kMinAnswer);
    frame.push_back(static_cast<std::uint8_t>(answer.data.size() + kMinAnswer));
    frame.push_back(address);
    frame.push_back(command);
    frame.push_back(answer.status);
    frame.insert(frame.end(), answer.data.begin(), answer.data.end());
    frame.push_back(Checksum(frame.data(), frame.size()));
    return frame;
}

} // namespace kestra
