#include "kestra/Field.h"

#include <algorithm>
#include <array>

namespace kestra {

namespace {

Answer Status(std::uint8_t code) {
    return Answer{code, {}};
}

constexpr std::array<std::uint8_t, 8> kCryptSubCommands = {0x01, 0x20, 0x40, 0x41,
                                                           0x44, 0x4A, 0x4B, 0x90};

// The request length each transponder command needs; -1 where it depends on the data.
int FixedLength(std::uint8_t command) {
    switch (command) {
    case 0x11:
    case 0x13:
    case 0x1A:
    case 0x1D:
        return 0;
    case 0x15:
    case 0x19:
        return 2;
    case 0x16:
        return 5;
    case 0x17:
    case 0x1B:
    case 0xAA:
        return 1;
    case 0x1C:
        return 4;
    default:
        return -1;
    }
}

} // namespace

void Field::Put(std::optional<Transponder> tag) {
    tag_ = std::move(tag);
    halted_ = false;
}

const Transponder* Field::Visible(std::uint8_t enabledTypes) const {
    if (!tag_ || halted_ || (TypeBit(tag_->Type()) & enabledTypes) == 0) {
        return nullptr;
    }
    return &*tag_;
}

bool Field::IsTransponderCommand(std::uint8_t command) {
    return (command >= 0x11 && command <= 0x1D) || command == 0xAA;
}

Answer Field::SerialAnswer(const Transponder& tag) const {
    Answer answer{status::kOk, Bytes(1 + tag.Serial().size())};
    answer.data[0] = static_cast<std::uint8_t>(tag.Type());
    std::copy(tag.Serial().begin(), tag.Serial().end(), answer.data.begin() + 1);
    return answer;
}

Answer Field::Handle(std::uint8_t command, const Bytes& data, std::uint8_t enabledTypes) {
    int fixed = FixedLength(command);
    if (fixed >= 0 && data.size() != static_cast<std::size_t>(fixed)) {
        return Status(status::kLengthError);
    }
    if (command == 0x12) {
        if (data.empty()) {
            return Status(status::kLengthError);
        }
        if (data[0] > Transponder::kMaxIdBits) {
            return Status(status::kRangeError);
        }
        if (data.size() != 1 + (data[0] + 7u) / 8) {
            return Status(status::kLengthError);
        }
    }
    if (command == 0x14 || command == 0x18) {
        std::size_t bytes = data.empty() ? 0 : data.size() - 1;
        if (bytes == 0 || bytes % Transponder::kBlockBytes != 0 ||
            bytes > 4 * Transponder::kBlockBytes) {
            return Status(status::kLengthError);
        }
    }
    if (command == 0x1B && data[0] != 0x02) {
        return Status(status::kRangeError);
    }
    if (command == 0xAA && std::find(kCryptSubCommands.begin(), kCryptSubCommands.end(), data[0]) ==
                               kCryptSubCommands.end()) {
        return Status(status::kRangeError);
    }

    if (Visible(enabledTypes) == nullptr) {
        return Status(status::kNoTransponder);
    }
    Transponder& tag = *tag_;
    switch (command) {
    case 0x11:
        return SerialAnswer(tag);
    case 0x1A:
        halted_ = true;
        return Status(status::kOk);
    case 0x1B:
        if (tag.Type() != TransponderType::TTC) {
            return Status(status::kWrongType);
        }
        return SerialAnswer(tag);
    case 0xAA:
        if (tag.Type() != TransponderType::TTD) {
            return Status(status::kWrongType);
        }
        return CryptCard(tag, data[0]);
    default:
        break;
    }
    if (!tag.HasMemory()) {
        return Status(status::kWrongType);
    }
    switch (command) {
    case 0x12: {
        Bytes id(data.begin() + 1, data.end());
        tag.SetId(data[0], id);
        return Status(status::kOk);
    }
    case 0x13:
        return Answer{status::kOk, tag.Id()};
    case 0x14:
        return WriteArea(tag, Transponder::Area::Public, data);
    case 0x15:
        return ReadArea(tag, Transponder::Area::Public, data);
    case 0x16:
        return WriteArea(tag, Transponder::Area::Config, data);
    case 0x17: {
        auto block = tag.Read(Transponder::Area::Config, data[0], 1);
        if (!block) {
            return Status(status::kAddressError);
        }
        Answer answer{status::kOk, Bytes(1 + block->size())};
        answer.data[0] = static_cast<std::uint8_t>(tag.Type());
        std::copy(block->begin(), block->end(), answer.data.begin() + 1);
        return answer;
    }
    case 0x18:
        return WriteArea(tag, Transponder::Area::Secret, data);
    case 0x19:
        return ReadArea(tag, Transponder::Area::Secret, data);
    case 0x1C:
        if (!std::equal(data.begin(), data.end(), tag.Password().begin())) {
            return Status(status::kPasswordError);
        }
        return SerialAnswer(tag);
    case 0x1D:
        if (tag.Type() != TransponderType::TTC) {
            return Status(status::kWrongType);
        }
        tag.SetAutoPassword();
        return Status(status::kOk);
    default:
        return Status(status::kUnknownCommand);
    }
}

Answer Field::WriteArea(Transponder& tag, Transponder::Area area, const Bytes& data) {
    Bytes blocks(data.begin() + 1, data.end());
    return Status(tag.Write(area, data[0], blocks) ? status::kOk : status::kAddressError);
}

Answer Field::ReadArea(const Transponder& tag, Transponder::Area area, const Bytes& data) {
    std::uint8_t count = data[1];
    if (count < 1 || count > 4) {
        return Status(status::kRangeError);
    }
    auto blocks = tag.Read(area, data[0], count);
    if (!blocks) {
        return Status(status::kAddressError);
    }
    return Answer{status::kOk, std::move(*blocks)};
}

Answer Field::CryptCard(Transponder& tag, std::uint8_t subCommand) {
    auto& value = tag.CryptValue();
    switch (subCommand) {
    case 0x01:
        return Answer{status::kOk, Bytes(value.begin(), value.end())};
    case 0x40: // primary value: the serial number, padded
        value.fill(0);
        std::copy(tag.Serial().begin(), tag.Serial().end(), value.begin() + 3);
        break;
    case 0x41: // successor: the value plus one, big-endian
        for (auto it = value.rbegin(); it != value.rend() && ++*it == 0; ++it) {
        }
        break;
    case 0x44:
        value.fill(0);
        break;
    case 0x4B:
        for (auto& byte : value) {
            byte = static_cast<std::uint8_t>(~byte);
        }
        break;
    default:
        break;
    }
    return Status(status::kOk);
}

} // namespace kestra
