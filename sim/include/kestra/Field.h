#pragma once
// A reader's RF field and the transponder commands that work on it.

#include "kestra/Frame.h"
#include "kestra/Transponder.h"

#include <optional>

namespace kestra {

/// Holds the transponder in the field, if any, and whether it was halted. The reader sees a
/// transponder only when its type is in the reader's enabled-type mask and it is not halted;
/// a halted transponder stays silent until it leaves the field or the RF field is reset.
class Field {
public:
    /// Puts `tag` into the field (nothing: the field is emptied). A new tag is not halted.
    void Put(std::optional<Transponder> tag);

    bool Present() const { return tag_.has_value(); }

    /// The transponder in the field, halted or not, or null.
    const Transponder* Tag() const { return tag_ ? &*tag_ : nullptr; }

    /// The transponder the reader can talk to, or null.
    const Transponder* Visible(std::uint8_t enabledTypes) const;

    /// Switches the RF field off and on: halted transponders answer again.
    void Reset() { halted_ = false; }

    void Halt() { halted_ = tag_.has_value(); }

    /// True for the transponder commands (0x11 .. 0x1D, 0xAA).
    static bool IsTransponderCommand(std::uint8_t command);

    /// Runs transponder command `command` with request data `data`.
    Answer Handle(std::uint8_t command, const Bytes& data, std::uint8_t enabledTypes);

private:
    Answer SerialAnswer(const Transponder& tag) const;
    Answer WriteArea(Transponder& tag, Transponder::Area area, const Bytes& data);
    Answer ReadArea(const Transponder& tag, Transponder::Area area, const Bytes& data);
    Answer CryptCard(Transponder& tag, std::uint8_t subCommand);

    std::optional<Transponder> tag_;
    bool halted_ = false;
};

} // namespace kestra
