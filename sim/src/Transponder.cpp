#include "kestra/Transponder.h"

#include "kestra/FactoryConfig.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kestra {

namespace {

constexpr std::array<const char*, 4> kTypeNames = {"TTA", "TTB", "TTC", "TTD"};

struct Sizes {
    std::size_t publicBlocks;
    std::size_t configBlocks;
    std::size_t secretBlocks;
};

constexpr std::array<Sizes, 4> kSizes = {{{0, 0, 0}, {32, 8, 32}, {128, 8, 16}, {128, 16, 64}}};

} // namespace

std::optional<TransponderType> ParseTransponderType(std::string_view name) {
    if (name.size() != 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kTypeNames.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < 3; ++k) {
            same = same && std::toupper(static_cast<unsigned char>(name[k])) == kTypeNames[i][k];
        }
        if (same) {
            return static_cast<TransponderType>(i);
        }
    }
    return std::nullopt;
}

const char* TransponderTypeName(TransponderType type) {
    return kTypeNames.at(static_cast<std::size_t>(type));
}

std::optional<SerialNumber> ParseSerialNumber(std::string_view text) {
    SerialNumber serial{};
    if (text.size() != 2 * serial.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < serial.size(); ++i) {
        unsigned byte = 0;
        const char* first = text.data() + 2 * i;
        auto [end, error] = std::from_chars(first, first + 2, byte, 16);
        if (error != std::errc() || end != first + 2) {
            return std::nullopt;
        }
        serial[i] = static_cast<std::uint8_t>(byte);
    }
    return serial;
}

std::uint8_t TypeBit(TransponderType type) {
    return static_cast<std::uint8_t>(kTypeBitTTA << static_cast<unsigned>(type));
}

Transponder::Transponder(TransponderType type, const SerialNumber& serial)
    : type_(type), serial_(serial) {
    const Sizes& sizes = kSizes.at(static_cast<std::size_t>(type));
    public_.assign(sizes.publicBlocks * kBlockBytes, 0);
    config_.assign(sizes.configBlocks * kBlockBytes, 0);
    secret_.assign(sizes.secretBlocks * kBlockBytes, 0);
}

const Bytes& Transponder::Memory(Area area) const {
    switch (area) {
    case Area::Public:
        return public_;
    case Area::Config:
        return config_;
    case Area::Secret:
        break;
    }
    return secret_;
}

Bytes& Transponder::Memory(Area area) {
    return const_cast<Bytes&>(static_cast<const Transponder*>(this)->Memory(area));
}

std::optional<Bytes> Transponder::Read(Area area, std::size_t address, std::size_t count) const {
    const Bytes& memory = Memory(area);
    std::size_t blocks = memory.size() / kBlockBytes;
    if (address >= blocks || count > blocks - address) {
        return std::nullopt;
    }
    auto first = memory.begin() + static_cast<std::ptrdiff_t>(address * kBlockBytes);
    return Bytes(first, first + static_cast<std::ptrdiff_t>(count * kBlockBytes));
}

bool Transponder::Write(Area area, std::size_t address, const Bytes& data) {
    Bytes& memory = Memory(area);
    std::size_t blocks = memory.size() / kBlockBytes;
    std::size_t count = data.size() / kBlockBytes;
    if (data.size() % kBlockBytes != 0 || address >= blocks || count > blocks - address) {
        return false;
    }
    std::copy(data.begin(), data.end(),
              memory.begin() + static_cast<std::ptrdiff_t>(address * kBlockBytes));
    return true;
}

Bytes Transponder::Id() const {
    return Bytes(id_.begin(), id_.begin() + static_cast<std::ptrdiff_t>((idBits_ + 7) / 8));
}

bool Transponder::SetId(std::size_t bits, const Bytes& bytes) {
    if (bits > kMaxIdBits || bytes.size() != (bits + 7) / 8) {
        return false;
    }
    id_.fill(0);
    std::copy(bytes.begin(), bytes.end(), id_.begin());
    idBits_ = bits;
    return true;
}

} // namespace kestra
