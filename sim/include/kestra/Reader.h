#pragma once
// One simulated reader: EEPROM, volatile state, the transponder field and every command.

#include "kestra/AutoAnswer.h"
#include "kestra/FactoryConfig.h"
#include "kestra/Field.h"
#include "kestra/Frame.h"

#include <array>
#include <optional>

namespace kestra {

/// A reader of one model. Its EEPROM holds 32 blocks of 16 bytes; blocks 0..2 are the
/// configuration. The bus address (block 0 byte 8) and the baud rate (block 0 byte 7) are
/// taken from the EEPROM at power-on and at a CPU reset, as a real reader does, so a written
/// address or rate takes effect with the next reset. While the access lock (block 2 byte 0
/// bit 0) is set, configuration commands need a login with the reader password first.
class Reader {
public:
    static constexpr std::size_t kEepromBlocks = 32;
    using Eeprom = std::array<Block, kEepromBlocks>;

    /// A reader fresh from the factory, then set to bus address `address` and line speed
    /// `baud` (a rate CodeOfBaud knows; std::invalid_argument otherwise).
    Reader(Model model, std::uint8_t address, unsigned baud);

    Model GetModel() const { return model_; }

    /// The bus address the reader answers to and from.
    std::uint8_t Address() const { return address_; }

    /// The line speed the reader listens at.
    unsigned Baud() const { return baud_; }

    /// True when the reader's frame has a parity bit (block 0 byte 7 bit 7 clear).
    bool Parity() const { return parity_; }

    /// True when a request to `address` is meant for this reader.
    bool Accepts(std::uint8_t address) const {
        return address == address_ || address >= kBroadcastLow;
    }

    const Eeprom& GetEeprom() const { return eeprom_; }

    const Field& GetField() const { return field_; }

    /// Executes one request at `now` and returns the status and answer data.
    Answer Handle(const Request& request, TimePoint now);

    /// Puts a transponder into the field, or empties it; a transponder entering starts the
    /// auto-answer protocols when the mode asks for them.
    void PutTransponder(std::optional<Transponder> tag, TimePoint now);

    /// When the next auto-answer protocol is due, or nothing.
    std::optional<TimePoint> AutoAnswerDue() const { return autoAnswer_.Due(); }

    /// The auto-answer protocol due at `now`, or nothing.
    std::optional<Bytes> TakeAutoAnswer(TimePoint now);

    /// The states of input 1 (bit 0), input 2 (bit 1) and the sabotage input (bit 2).
    void SetInputs(std::uint8_t inputs) { inputs_ = inputs; }

    /// The transponder types the reader reads: the model's types that are switched on.
    std::uint8_t EnabledTypes() const;

    /// Output times set with the output commands (relay, buzzer, red, green, yellow), x 5 ms.
    const std::array<std::uint16_t, 5>& OutputTimes() const { return outputTimes_; }

    bool LoggedIn() const { return loggedIn_; }

private:
    bool HasCommand(std::uint8_t command) const;
    Answer Configure(const Request& request);
    Answer ExecuteOther(const Request& request, TimePoint now);
    Answer Passwords(const Request& request);
    Answer SetOutputs(const Request& request, std::size_t count);
    void PowerOn(TimePoint now);
    // Auto-answer mode switched on or off while a transponder may be in the field.
    void RefreshAutoAnswer(TimePoint now);
    bool Locked() const { return (eeprom_[2][0] & 0x01) != 0; }

    Model model_;
    Eeprom eeprom_{};
    std::uint8_t address_ = 0;
    unsigned baud_ = 9600;
    bool parity_ = true;
    bool loggedIn_ = false;
    std::uint8_t inputs_ = 0;
    std::array<std::uint16_t, 5> outputTimes_{};
    std::array<std::uint8_t, 4> readerPassword_{};
    std::array<std::array<std::uint8_t, 4>, 9> ttbPasswords_{};
    std::array<std::uint8_t, 4> ttcPassword_{};
    // The transponder type whose old passwords were last given correctly (0 = none); new
    // passwords are taken only right after that.
    std::uint8_t passwordsVerified_ = 0;
    std::uint8_t antenna_ = 0;
    Field field_;
    AutoAnswer autoAnswer_;
};

} // namespace kestra
