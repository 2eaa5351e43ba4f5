#include "WkMacroEditViewModel.h"

#include "WkLibraries.h"
#include "WkProtocolBytes.h"
#include "WkProtocolListDoc.h"
#include "WkProtocolServices.h"

bool WkMacroEditViewModel::Insert(InsertPosition position) {
    std::unique_ptr<WkProtocolItem> copy = ClipboardCopy();
    if (!copy) {
        return false;
    }
    lastPosition_ = position;
    const int selectedItem = ItemIndexOfRow(selected_);
    std::size_t index = document_.ItemCount();
    switch (position) {
    case InsertPosition::Head:
        index = 0;
        break;
    case InsertPosition::Before:
        index = selectedItem >= 0 ? static_cast<std::size_t>(selectedItem) : 0;
        break;
    case InsertPosition::After:
        index =
            selectedItem >= 0 ? static_cast<std::size_t>(selectedItem) + 1 : document_.ItemCount();
        break;
    case InsertPosition::Tail:
        break;
    }
    index = document_.InsertItem(index, std::move(copy));
    Reload();
    Select(static_cast<int>(index));
    return true;
}

std::string WkMacroEditViewModel::HaltMessage(int number, const WkProtocolItem& item,
                                              int code) const {
    std::string text = "Macro halted at item " + std::to_string(number) + " (" + item.protocol;
    if (!item.comment.empty()) {
        text += ", " + item.comment;
    }
    text += "): ";
    const std::string reason =
        services_.libraries != nullptr ? services_.libraries->ErrorText(code) : std::string();
    text += reason.empty() ? "send failed" : reason;
    return text + " (ErrorCode: " + std::to_string(code) + ")";
}

WkMacroEditViewModel::RunResult WkMacroEditViewModel::Run() {
    RunResult result;
    const int reader = document_.GetReaderHandle();
    if (reader == 0 || BoundPortHandle() == 0) {
        outcome_ = kNothingSentNoPort;
        return result;
    }
    result.ran = true;
    WkLibraries& libraries = *services_.libraries;
    std::string kept = "0";
    libraries.GetReaderPara(reader, "SendProtToApp", kept);
    libraries.SetReaderPara(reader, "SendProtToApp", "0");
    for (std::size_t i = 0; i < document_.ItemCount(); ++i) {
        const WkProtocolItem& item = *document_.Item(i);
        // The protocols are whole frames, as taken from the protocol window or completed by
        // the edit dialog: what is sent is what is shown, and nothing else.
        if (!WkProtocolBytes::Problem(item.protocol, false).empty()) {
            ++result.invalid;
            if (result.firstInvalid == 0) {
                result.firstInvalid = static_cast<int>(i) + 1;
            }
            continue;
        }
        const std::optional<int> sent = SendItem(item);
        if (!sent) {
            ++result.skipped;
            continue;
        }
        ++result.sent;
        if (item.flag && *sent < 0) {
            result.haltedAt = static_cast<int>(i) + 1;
            result.haltCode = *sent;
            const std::string message = HaltMessage(result.haltedAt, item, *sent);
            outcome_ = message;
            if (services_.showStatus) {
                services_.showStatus(message);
            }
            if (services_.appendToProtocolWindow) {
                services_.appendToProtocolWindow(message);
            }
            break;
        }
    }
    libraries.SetReaderPara(reader, "SendProtToApp", kept);
    if (result.haltedAt == 0) {
        outcome_ = Summary(result);
    }
    return result;
}

std::string WkMacroEditViewModel::Summary(const RunResult& result) {
    std::string text = "Macro: " + std::to_string(result.sent) + " protocols sent";
    if (result.invalid > 0) {
        text += "; " + std::to_string(result.invalid) + " not sent for a fault in the protocol" +
                " (the first is item " + std::to_string(result.firstInvalid) + ")";
    }
    return text;
}
