#include "kestra/FactoryConfig.h"

#include <cctype>

namespace kestra {

namespace {

// Block 0: auto-answer off, one protocol block, gap 20 x 5 ms, data block 0 (one public
// block), asynchronous interface, 9600 baud with even parity, bus address 0, lock time
// 200 x 5 ms, power save time 200 x 5 ms and off, data/clock 0.
constexpr Block kBlock0 = {0x00, 0x01, 0x00, 0x14, 0x00, 0x01, 0x01, 0x05,
                           0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00, 0x00, 0x00};
// Block 1: green LED on while idle; green flashing and buzzer on while a transponder is
// read; no input assignment; quit and alarm time 100 x 5 ms; green LED and buzzer react
// automatically.
constexpr Block kBlock1 = {0x01, 0x13, 0x00, 0x00, 0x00, 0x00, 0x00, 0x64,
                           0x00, 0x64, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00};

constexpr Block Block2(std::uint8_t types, std::uint8_t calibration) {
    return {0x00, 0x00, 0x00, 0x00,        0x00, 0x00,  0x00, 0x00,
            0x00, 0x00, 0x00, calibration, 0x00, types, 0x00, 0x00};
}

constexpr std::uint8_t kTypesKRA = kTypeBitTTA | kTypeBitTTB;
constexpr std::uint8_t kTypesKRB = kTypeBitTTA | kTypeBitTTB | kTypeBitTTC;
constexpr std::uint8_t kTypesAll = kTypeBitTTA | kTypeBitTTB | kTypeBitTTC | kTypeBitTTD;

const std::array<ModelInfo, 4> kTable = {{
    {Model::KRA, "KRA", {kBlock0, kBlock1, Block2(kTypesKRA, 0x00)}, {3, 1, 0, 0x20, kTypesKRA}},
    {Model::KRB, "KRB", {kBlock0, kBlock1, Block2(kTypesKRB, 0x00)}, {3, 2, 0, 0x40, kTypesKRB}},
    {Model::KRC, "KRC", {kBlock0, kBlock1, Block2(kTypesAll, 0x00)}, {3, 1, 0, 0x48, kTypesAll}},
    {Model::KRD, "KRD", {kBlock0, kBlock1, Block2(kTypesAll, 0x80)}, {3, 4, 0, 0x50, kTypesAll}},
}};

} // namespace

const ModelInfo& GetModelInfo(Model model) {
    return kTable.at(static_cast<std::size_t>(model));
}

const char* ModelName(Model model) {
    return GetModelInfo(model).name;
}

std::optional<Model> ParseModel(std::string_view name) {
    for (const ModelInfo& info : kTable) {
        std::string_view known = info.name;
        if (name.size() != known.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i) {
            same = same && std::toupper(static_cast<unsigned char>(name[i])) == known[i];
        }
        if (same) {
            return info.model;
        }
    }
    return std::nullopt;
}

namespace {
constexpr std::array<unsigned, 8> kBaudOfCode = {0, 0, 1200, 2400, 4800, 9600, 19200, 38400};
}

unsigned BaudOfCode(std::uint8_t code) {
    return code < kBaudOfCode.size() ? kBaudOfCode[code] : 0;
}

std::optional<std::uint8_t> CodeOfBaud(unsigned baud) {
    for (std::uint8_t code = 0; code < kBaudOfCode.size(); ++code) {
        if (baud != 0 && kBaudOfCode[code] == baud) {
            return code;
        }
    }
    return std::nullopt;
}

} // namespace kestra
