#pragma once
// The reader models, their factory configuration and their software version bytes.
//
// This table is the one source of the factory configuration: the simulator starts its readers
// from it and restores it on a configuration reset, and the default reader configuration
// files are written from the same data.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestra {

enum class Model : std::uint8_t { KRA, KRB, KRC, KRD };

inline constexpr std::array<Model, 4> kAllModels = {Model::KRA, Model::KRB, Model::KRC, Model::KRD};

/// Size of one EEPROM block.
inline constexpr std::size_t kBlockSize = 16;
/// The configuration blocks 0, 1 and 2.
inline constexpr std::size_t kConfigBlocks = 3;

using Block = std::array<std::uint8_t, kBlockSize>;
using ConfigBlocks = std::array<Block, kConfigBlocks>;

/// Bits of the transponder-type mask (software version byte 4, driver byte 13 of block 2).
inline constexpr std::uint8_t kTypeBitTTA = 0x01;
inline constexpr std::uint8_t kTypeBitTTB = 0x02;
inline constexpr std::uint8_t kTypeBitTTC = 0x04;
inline constexpr std::uint8_t kTypeBitTTD = 0x08;

/// What a model is at the factory.
struct ModelInfo {
    Model model;
    /// "KRA" .. "KRD".
    const char* name;
    /// Configuration blocks 0..2 as delivered.
    ConfigBlocks factory;
    /// Answer data of the software version command: software type (two bytes), revision,
    /// hardware type, transponder types the model can read (bit mask, kTypeBit*).
    std::array<std::uint8_t, 5> version;
};

/// The entry of `model` in the table.
const ModelInfo& GetModelInfo(Model model);

/// "KRA" .. "KRD".
const char* ModelName(Model model);

/// The model named `name` (upper or lower case), or nothing.
std::optional<Model> ParseModel(std::string_view name);

/// Baud rate codes of configuration byte 7 (bits 0..2): 2 = 1200 .. 7 = 38400.
/// Returns the rate of `code`, or 0 for a code without one.
unsigned BaudOfCode(std::uint8_t code);

/// The code of `baud`, or nothing for a rate the readers do not know.
std::optional<std::uint8_t> CodeOfBaud(unsigned baud);

} // namespace kestra
