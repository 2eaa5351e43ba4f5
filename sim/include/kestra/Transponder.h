#pragma once
// A transponder in a reader's field: its type, serial number, identifier and data memory.

#include "kestra/Frame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestra {

/// Transponder types; the value is the type byte the readers answer with.
enum class TransponderType : std::uint8_t { TTA = 0, TTB = 1, TTC = 2, TTD = 3 };

/// The type named `name` ("TTA" .. "TTD", either case), or nothing.
std::optional<TransponderType> ParseTransponderType(std::string_view name);

/// "TTA" .. "TTD".
const char* TransponderTypeName(TransponderType type);

/// The type's bit in a transponder-type mask (kTypeBit* of FactoryConfig.h).
std::uint8_t TypeBit(TransponderType type);

using SerialNumber = std::array<std::uint8_t, 5>;

/// The serial number written as 10 hex digits (either case), or nothing.
std::optional<SerialNumber> ParseSerialNumber(std::string_view text);

/// Memory and identity of one transponder. Everything but the type and the serial number
/// starts zero. TTA carries its serial number only; the other types have an identifier of up
/// to 96 bits and three data areas of 4-byte blocks whose sizes depend on the type.
class Transponder {
public:
    enum class Area { Public, Config, Secret };

    static constexpr std::size_t kBlockBytes = 4;
    static constexpr std::size_t kMaxIdBits = 96;

    Transponder(TransponderType type, const SerialNumber& serial);

    TransponderType Type() const { return type_; }
    const SerialNumber& Serial() const { return serial_; }

    /// False for TTA, which has neither identifier nor data memory.
    bool HasMemory() const { return type_ != TransponderType::TTA; }

    /// Number of 4-byte blocks in `area`.
    std::size_t Blocks(Area area) const { return Memory(area).size() / kBlockBytes; }

    /// count blocks from block `address` on, or nothing when they lie outside the area.
    std::optional<Bytes> Read(Area area, std::size_t address, std::size_t count) const;

    /// Writes whole blocks from block `address` on; false (nothing written) when `data` is not
    /// whole blocks or they would not fit.
    bool Write(Area area, std::size_t address, const Bytes& data);

    std::size_t IdBits() const { return idBits_; }
    /// The identifier's ceil(IdBits / 8) bytes.
    Bytes Id() const;
    /// bits <= kMaxIdBits and bytes.size() == ceil(bits / 8); otherwise false, nothing stored.
    bool SetId(std::size_t bits, const Bytes& bytes);

    const std::array<std::uint8_t, 4>& Password() const { return password_; }
    bool AutoPassword() const { return autoPassword_; }
    void SetAutoPassword() { autoPassword_ = true; }

    /// The 8-byte value the crypto commands of TTD work on.
    std::array<std::uint8_t, 8>& CryptValue() { return crypt_; }

private:
    const Bytes& Memory(Area area) const;
    Bytes& Memory(Area area);

    TransponderType type_;
    SerialNumber serial_;
    std::size_t idBits_ = 0;
    std::array<std::uint8_t, 12> id_{};
    Bytes public_;
    Bytes config_;
    Bytes secret_;
    std::array<std::uint8_t, 4> password_{};
    bool autoPassword_ = false;
    std::array<std::uint8_t, 8> crypt_{};
};

} // namespace kestra
