#pragma once
// The macro editor's list: rows in document order, Insert of the clipboard item at a chosen
// place, and the run that sends every protocol in order.

#include "WkProtocolListModel.h"

#include <string>

class WkMacroEditViewModel : public WkProtocolListModel {
public:
    /// Where Insert puts the copy (the Insert sub-menu's entries, in this order).
    enum class InsertPosition { Head, Before, After, Tail };

    /// What a run did.
    struct RunResult {
        bool ran = false;     ///< false: no reader object or no port, nothing was sent
        int sent = 0;         ///< items that went out
        int skipped = 0;      ///< items without hex digits
        int invalid = 0;      ///< items whose protocol cannot be sent (WkProtocolBytes::Problem)
        int firstInvalid = 0; ///< 1-based item of the first of them
        int haltedAt = 0;     ///< 1-based item that stopped the run, 0 when it went through
        int haltCode = 0;     ///< that item's result
    };

    using WkProtocolListModel::WkProtocolListModel;

    /// Inserts a copy of the clipboard item at `position` (Before and After: of the selected
    /// row's item; with no row selected, Before is Head and After is Tail), remembers the
    /// position for InsertLast, rebuilds the rows and selects the copy. False without a
    /// clipboard item.
    bool Insert(InsertPosition position);
    /// The Edit menu's "Insert": the position chosen last, Tail until one is chosen.
    bool InsertLast() { return Insert(lastPosition_); }
    InsertPosition LastPosition() const { return lastPosition_; }

    /// "&Run": every item in document order through the reader object, exactly as written
    /// (no checksum added), with "SendProtToApp" off for the run and restored after it. An
    /// item without hex digits is skipped, an item whose protocol cannot be sent is not sent
    /// (Summary names it). An item with its flag set whose send fails (a negative result)
    /// stops the run; the status bar and the protocol window say which item and why. Nothing
    /// happens without a reader object or a bound port.
    RunResult Run();
    /// The status line after a run that went through: "Macro: N protocols sent", and the
    /// items not sent for a problem of their protocol.
    static std::string Summary(const RunResult& result);

    /// The message of a run stopped at item `number` (1-based) with `code`.
    std::string HaltMessage(int number, const WkProtocolItem& item, int code) const;

protected:
    /// A macro item's flag is "halt on error": the protocols are whole frames, sent as written.
    bool AddsChecksum(const WkProtocolItem&) const override { return false; }

private:
    InsertPosition lastPosition_ = InsertPosition::Tail;
};
