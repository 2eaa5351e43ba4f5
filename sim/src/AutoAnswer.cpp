#include "kestra/AutoAnswer.h"

#include <algorithm>

namespace kestra {

namespace {

constexpr std::uint8_t kSerialBit = 0x01;
constexpr std::uint8_t kIdBit = 0x02;
constexpr std::uint8_t kDataBit = 0x04;
constexpr std::uint8_t kOnceBit = 0x10;
constexpr std::uint8_t kBcdBit = 0x20;
constexpr std::uint8_t kBareBit = 0x40;
constexpr std::uint8_t kSecretBit = 0x80;
constexpr std::uint8_t kAsyncInterfaceBit = 0x01;
// A transponder that stays in the field is never reported more often than this, so a lock
// time of 0 cannot flood the line.
constexpr auto kShortestRepeat = std::chrono::milliseconds(50);

std::chrono::milliseconds FiveMs(const Block& block, std::size_t high) {
    return std::chrono::milliseconds(5 * ((block[high] << 8) | block[high + 1]));
}

// The 40-bit serial number as 14 BCD digits, most significant first.
Bytes SerialAsBcd(const SerialNumber& serial) {
    std::uint64_t value = 0;
    for (std::uint8_t byte : serial) {
        value = (value << 8) | byte;
    }
    Bytes bcd(7, 0);
    for (auto it = bcd.rbegin(); it != bcd.rend(); ++it) {
        std::uint8_t low = static_cast<std::uint8_t>(value % 10);
        value /= 10;
        std::uint8_t high = static_cast<std::uint8_t>(value % 10);
        value /= 10;
        *it = static_cast<std::uint8_t>(high << 4 | low);
    }
    return bcd;
}

} // namespace

bool AutoAnswer::Enabled(const Block& block0) {
    return (block0[0] & (kSerialBit | kIdBit | kDataBit)) != 0 &&
           (block0[6] & kAsyncInterfaceBit) != 0;
}

Bytes AutoAnswer::BuildProtocol(const Block& block0, const Transponder& tag, std::uint8_t address) {
    std::uint8_t mode = block0[0];
    Bytes content;
    if (mode & kSerialBit) {
        Bytes serial = (mode & kBcdBit) ? SerialAsBcd(tag.Serial())
                                        : Bytes(tag.Serial().begin(), tag.Serial().end());
        content.insert(content.end(), serial.begin(), serial.end());
    }
    if ((mode & kIdBit) && tag.HasMemory()) {
        Bytes id = tag.Id();
        content.insert(content.end(), id.begin(), id.end());
    }
    if ((mode & kDataBit) && tag.HasMemory()) {
        auto area =
            (block0[5] & kSecretBit) ? Transponder::Area::Secret : Transponder::Area::Public;
        std::size_t count = std::min<std::size_t>(block0[5] & 0x07, 4);
        if (auto blocks = tag.Read(area, block0[4], count)) {
            content.insert(content.end(), blocks->begin(), blocks->end());
        }
    }
    if (mode & kBareBit) {
        return content;
    }
    Answer answer{0x00, Bytes(1 + content.size())};
    answer.data[0] = static_cast<std::uint8_t>(tag.Type());
    std::copy(content.begin(), content.end(), answer.data.begin() + 1);
    return BuildAnswer(address, 0x11, answer);
}

void AutoAnswer::Start(TimePoint now, const Block& block0) {
    next_ = now;
    remaining_ = std::max<unsigned>(block0[1], 1);
}

bool AutoAnswer::Take(TimePoint now, const Block& block0, bool& burstDone) {
    burstDone = false;
    if (!next_ || now < *next_) {
        return false;
    }
    if (remaining_ > 1) {
        --remaining_;
        next_ = now + FiveMs(block0, 2);
        return true;
    }
    burstDone = true;
    if ((block0[0] & kOnceBit) == 0) {
        remaining_ = std::max<unsigned>(block0[1], 1);
        next_ = now + std::max<std::chrono::milliseconds>(FiveMs(block0, 9), kShortestRepeat);
    } else {
        next_.reset();
    }
    return true;
}

} // namespace kestra
