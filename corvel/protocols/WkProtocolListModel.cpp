#include "WkProtocolListModel.h"

#include "WkLibraries.h"
#include "WkLinePort.h"
#include "WkProtocolBytes.h"
#include "WkProtocolEditPrompt.h"
#include "WkProtocolListDoc.h"
#include "WkProtocolServices.h"

#include "common/ReaderTexts.h"

#include <cstdio>
#include <cstdlib>

WkProtocolListModel::WkProtocolListModel(WkProtocolListDoc& document,
                                         const WkProtocolServices& services,
                                         WkProtocolEditPrompt& editor)
    : document_(document), services_(services), editor_(editor), port_(document, services) {}

WkProtocolListModel::~WkProtocolListModel() = default;

WkProtocolListModel::Row WkProtocolListModel::RowOf(const WkProtocolItem& item) const {
    return Row{item.protocol, item.comment, item.FlagText(),
               WkProtocolBytes::Problem(item.protocol, AddsChecksum(item))};
}

bool WkProtocolListModel::EditChecked(WkProtocolItem& item) {
    const std::unique_ptr<WkProtocolItem> draft = item.Clone();
    while (editor_.EditItem(*draft)) {
        const std::string problem = WkProtocolBytes::Problem(draft->protocol, AddsChecksum(*draft));
        if (problem.empty()) {
            item.protocol = draft->protocol;
            item.comment = draft->comment;
            item.flag = draft->flag;
            return true;
        }
        document_.GetPrompts().ShowMessage(problem);
    }
    return false;
}

void WkProtocolListModel::Start() {
    Reload();
    port_.Start();
}

void WkProtocolListModel::Reload() {
    rows_.clear();
    for (const auto& item : document_.Items()) {
        rows_.push_back(RowOf(*item));
    }
    if (selected_ >= static_cast<int>(rows_.size())) {
        selected_ = static_cast<int>(rows_.size()) - 1;
    }
}

void WkProtocolListModel::Select(int row) {
    selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
}

int WkProtocolListModel::ItemIndexOfRow(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return -1;
    }
    const Row& shown = rows_[static_cast<std::size_t>(row)];
    return document_.FindItem(shown.protocol, shown.comment);
}

bool WkProtocolListModel::New() {
    std::unique_ptr<WkProtocolItem> item = document_.MakeItem();
    if (!EditChecked(*item)) {
        return false;
    }
    rows_.push_back(RowOf(*item));
    document_.AppendItem(std::move(item));
    return true;
}

bool WkProtocolListModel::Edit() {
    const int index = ItemIndexOfRow(selected_);
    if (index < 0) {
        return false;
    }
    WkProtocolItem& item = *document_.Item(static_cast<std::size_t>(index));
    if (!EditChecked(item)) {
        return false;
    }
    document_.ItemChanged();
    rows_[static_cast<std::size_t>(selected_)] = RowOf(item);
    AfterEdit(selected_);
    return true;
}

void WkProtocolListModel::AfterEdit(int) {}

bool WkProtocolListModel::Delete() {
    const int index = ItemIndexOfRow(selected_);
    if (index < 0 || !document_.GetPrompts().AskYesNo(kDeleteQuestion)) {
        return false;
    }
    clipboard_ = document_.RemoveItem(static_cast<std::size_t>(index));
    rows_.erase(rows_.begin() + selected_);
    if (selected_ >= static_cast<int>(rows_.size())) {
        selected_ = static_cast<int>(rows_.size()) - 1;
    }
    return true;
}

bool WkProtocolListModel::Copy() {
    const int index = ItemIndexOfRow(selected_);
    if (index < 0) {
        return false;
    }
    clipboard_ = document_.Item(static_cast<std::size_t>(index))->Clone();
    return true;
}

std::unique_ptr<WkProtocolItem> WkProtocolListModel::ClipboardCopy() const {
    return clipboard_ ? clipboard_->Clone() : nullptr;
}

int WkProtocolListModel::BoundPortHandle() const {
    const int reader = document_.GetReaderHandle();
    if (reader == 0 || services_.libraries == nullptr) {
        return 0;
    }
    std::string value = "0";
    services_.libraries->GetReaderPara(reader, "PortHnd", value);
    return std::atoi(value.c_str());
}

std::optional<int> WkProtocolListModel::SendItem(const WkProtocolItem& item,
                                                 std::string* answerText) {
    WkProtocolBytes::Buffer request{};
    std::string problem;
    const bool checksum = AddsChecksum(item);
    const int count = WkProtocolBytes::Parse(item.protocol, checksum, request, &problem);
    if (count == 0) {
        if (!problem.empty()) {
            document_.GetPrompts().ShowMessage(problem);
        }
        return std::nullopt;
    }
    unsigned char answer[kAnswerSize] = {};
    const WkLinePort port(WkLinePort::OfReader(*services_.libraries, document_.GetReaderHandle()));
    const int result = services_.libraries->SendTransparent(
        document_.GetReaderHandle(), request.data(), count, answer, kAnswerSize, checksum ? 1 : 0);
    if (answerText == nullptr) {
        return result;
    }
    // An answer frame: LEN, bus address, command, status, data.
    constexpr int kStatusByte = 3;
    if (result < 0) {
        const std::string reason = services_.libraries->ErrorText(result);
        *answerText = (reason.empty() ? std::string("send failed") : reason) +
                      " (ErrorCode: " + std::to_string(result) + ")";
    } else if (result <= kStatusByte) {
        *answerText = result == 0 ? "no answer" : std::to_string(result) + " bytes answered";
    } else if (answer[kStatusByte] == 0) {
        *answerText = "OK";
    } else {
        char status[8];
        std::snprintf(status, sizeof status, "0x%02X", answer[kStatusByte]);
        *answerText = ReaderStatusText(answer[kStatusByte]) + " (Statusbyte: " + status + ")";
    }
    return result;
}
