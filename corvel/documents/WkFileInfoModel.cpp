#include "WkFileInfoModel.h"

#include "WkCodePage.h"
#include "WkDocument.h"
#include "WkFileInfoHeader.h"

#include <stdexcept>

namespace {
// Header entry `index` as UTF-8.
std::string Entry(const std::vector<std::string>& header, int index) {
    return static_cast<std::size_t>(index) < header.size()
               ? Cp1252ToUtf8(header[static_cast<std::size_t>(index)])
               : std::string();
}
} // namespace

WkFileInfoModel::WkFileInfoModel(WkDocument& document, std::vector<std::string>& header,
                                 Source source)
    : document_(document), header_(header), comment_(Entry(header, WkFileInfoHeader::kComment)) {
    const auto visible = [&](RowKind kind) {
        return (source.displayMask & static_cast<int>(kind)) != 0;
    };
    const auto add = [&](RowKind kind, std::string label, std::string value, bool editable) {
        rows_.push_back(Row{kind, std::move(label), std::move(value), visible(kind), editable});
    };
    add(RowKind::FileType, "File Version: " + Entry(header, WkFileInfoHeader::kFileType), "",
        false);
    add(RowKind::FileName, "File Name:", source.fileName, false);
    add(RowKind::LastEditedWith,
        "Last edited with:", Entry(header, WkFileInfoHeader::kLastEditedWith), false);
    add(RowKind::Version, "Version:", Entry(header, WkFileInfoHeader::kFileVersion), false);
    add(RowKind::Type, source.typeLabel, source.typeName, false);
    add(RowKind::SoftwareVersion, "Software Version:", source.softwareVersion, false);
    add(RowKind::Comment, "Comment:", comment_, true);
}

const WkFileInfoModel::Row& WkFileInfoModel::RowOf(RowKind kind) const {
    for (const Row& row : rows_) {
        if (row.kind == kind) {
            return row;
        }
    }
    throw std::logic_error("file info row missing");
}

std::string WkFileInfoModel::UnstorableCharacters() const {
    std::string missing;
    Utf8ToCp1252(comment_, &missing);
    return missing;
}

void WkFileInfoModel::Accept() {
    if (header_.size() <= static_cast<std::size_t>(WkFileInfoHeader::kComment)) {
        header_.resize(WkFileInfoHeader::kEntryCount);
    }
    header_[WkFileInfoHeader::kComment] = Utf8ToCp1252(comment_);
    document_.SetModifiedFlag(true);
}

bool WkFileInfoModel::AcceptAsking() {
    if (const std::string missing = UnstorableCharacters(); !missing.empty()) {
        if (!document_.GetPrompts().AskYesNo(
                "The comment holds characters that a file cannot store:\n" + missing +
                "\nStore them as '?'?")) {
            return false;
        }
    }
    Accept();
    return true;
}
