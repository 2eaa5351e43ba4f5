#pragma once
// The commands of a document window that the main frame routes to the active window: the
// document's (Save, Save As, File Info) and the view's (Print, Font and the Edit commands).

#include <cstdint>
#include <initializer_list>

enum class WkViewCommand : std::uint8_t {
    Save,
    SaveAs,
    FileInfo,
    Print,
    Font,
    Undo,
    Cut,
    Copy,
    Paste,
    Insert,
    Delete,
};

/// A set of view commands, for example those a view can run at the moment.
class WkViewCommandSet {
public:
    constexpr WkViewCommandSet() = default;
    constexpr WkViewCommandSet(std::initializer_list<WkViewCommand> commands) {
        for (WkViewCommand command : commands) {
            Add(command);
        }
    }
    constexpr void Add(WkViewCommand command) { bits_ |= Bit(command); }
    constexpr void Remove(WkViewCommand command) { bits_ &= ~Bit(command); }
    constexpr bool Has(WkViewCommand command) const { return (bits_ & Bit(command)) != 0; }

private:
    static constexpr std::uint32_t Bit(WkViewCommand command) {
        return std::uint32_t{1} << static_cast<unsigned>(command);
    }
    std::uint32_t bits_ = 0;
};
