#include "WkTransponderEditModel.h"

#include "WkCommandTable.h"
#include "WkResultText.h"
#include "WkTransponderEditDoc.h"
#include "common/HexText.h"
#include "hestel.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

using M = WkTransponderModul;

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end) {
        return std::nullopt;
    }
    return value;
}

bool InRange(const std::string& text, int high) {
    auto value = ParseInt(text);
    return value && *value >= 0 && *value <= high;
}

std::string Hex(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

// The byte of a data or password edit: one or two hex digits.
std::optional<std::uint8_t> ByteOf(const std::string& text) {
    if (text.empty() || text.size() > 2 || !IsHexText(text)) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        value = 16 * value + HexDigitValue(c);
    }
    return static_cast<std::uint8_t>(value);
}

// A stored first shown block outside 0 .. 99 shows as 0; the scroll bar ends at 96.
int FirstShownOf(std::uint8_t stored) {
    return stored > 99 ? 0 : std::min<int>(stored, WkTransponderEditModel::kMaxFirstShown);
}

int BlocksPositionOf(std::uint8_t stored) {
    return stored >= 1 && stored <= 4 ? stored - 1 : 0;
}

// The index of a data image among public, configuration and secret data.
std::size_t UnreadIndex(int image) {
    return image == WkTransponderModul::kPublicImage   ? 0
           : image == WkTransponderModul::kConfigImage ? 1
                                                       : 2;
}

std::uint32_t& LastSerial() {
    static std::uint32_t last = 0;
    return last;
}

} // namespace

WkTransponderEditModel::WkTransponderEditModel(WkTransponderEditDoc& document)
    : document_(document) {
    fields_.data.fill("00");
    fields_.password.fill("00");
}

const WkTransponderCommand& WkTransponderEditModel::Selected() const {
    return kTransponderCommands[static_cast<std::size_t>(
        std::clamp(fields_.selected, 0, kTransponderCommandCount - 1))];
}

int WkTransponderEditModel::SelectedCode() const {
    return Selected().code;
}

int WkTransponderEditModel::RowsCode() const {
    const int code = SelectedCode();
    return M::FindDataCommand(code) != nullptr ? code : lastDataCode_;
}

int WkTransponderEditModel::StoredRowsBase() {
    const M::DataCommand& rows = *M::FindDataCommand(RowsCode());
    std::uint8_t stored = 0;
    document_.Modul().Params().GetByte(rows.firstShown != nullptr ? rows.firstShown : rows.address,
                                       stored);
    return M::kBlockBytes * (rows.firstShown != nullptr ? FirstShownOf(stored) : stored);
}

WkTransponderEditModel::Page WkTransponderEditModel::GetPage() const {
    using Panel = WkTransponderCommand::Panel;
    using Rows = WkTransponderCommand::Rows;
    const WkTransponderCommand& command = Selected();
    const int rowsCode = RowsCode();
    Page page;
    page.groupCaption =
        command.caption != nullptr ? command.caption : FindTransponderCommand(rowsCode)->caption;
    page.actionCaption = command.action;
    page.actionEnabled = document_.IsOnline();
    page.dataVisible = command.panel == Panel::Data;
    page.passwordVisible = command.panel == Panel::Password;
    page.cryptVisible = command.panel == Panel::Crypt;
    page.idEditable = command.idEditable;
    page.addressEditable = command.rows != Rows::None;
    page.blocksEditable = page.scrollEnabled = command.rows == Rows::Scrolled;
    page.editableDataCells = command.editableDataCells;
    page.editSnrVisible = command.editSnr;
    const char letter = M::FindDataCommand(rowsCode)->label;
    for (int row = 0; row < 4; ++row) {
        page.rowLabels[static_cast<std::size_t>(row)] =
            letter + std::to_string(rowsBase_ / M::kBlockBytes + row);
    }
    return page;
}

bool WkTransponderEditModel::Validate() const {
    const char* failure = nullptr;
    if (!InRange(fields_.address, kMaxAddress)) {
        failure = WkTransponderEditText::kAddressRange;
    } else if (!InRange(fields_.idLength, kMaxIdLength)) {
        failure = WkTransponderEditText::kIdLengthRange;
    } else if (fields_.idNumber.size() > 24) {
        failure = WkTransponderEditText::kIdNumberRange;
    }
    if (failure != nullptr) {
        document_.GetPrompts().ShowMessage(failure, Prompts::Icon::Warning);
        return false;
    }
    return CheckHex(fields_.idNumber) && CheckByteTexts();
}

bool WkTransponderEditModel::CheckByteTexts() const {
    // An emptied edit is being retyped and keeps its byte; anything but hex digits is refused.
    for (const std::string& text : fields_.data) {
        if (!CheckHex(text)) {
            return false;
        }
    }
    for (const std::string& text : fields_.password) {
        if (!CheckHex(text)) {
            return false;
        }
    }
    return true;
}

bool WkTransponderEditModel::Take() {
    if (!Validate()) {
        return false;
    }
    M& modul = document_.Modul();
    modul.IdImage().SetByte(M::kIdLength, static_cast<std::uint8_t>(*ParseInt(fields_.idLength)));
    modul.SetIdNumberText(fields_.idNumber);
    modul.Params().SetBit(M::kHexFlag, fields_.numberBase == 1);
    if (const M::DataCommand* command = M::FindDataCommand(SelectedCode())) {
        modul.Params().SetByte(command->address,
                               static_cast<std::uint8_t>(*ParseInt(fields_.address)));
        // The count the box shows is the count sent. A stored count outside 1 .. 4, which the
        // box shows as "1", becomes 1 without marking the document: nothing was changed.
        std::uint8_t stored = 0;
        if (command->blocks != nullptr && modul.Params().GetByte(command->blocks, stored)) {
            modul.Params().SetByte(command->blocks,
                                   static_cast<std::uint8_t>(std::clamp(fields_.blocks, 0, 3) + 1),
                                   stored >= 1 && stored <= 4);
        }
        // Where the rows stand is a matter of the view: moving them is no change of the data.
        if (command->firstShown != nullptr) {
            modul.Params().SetByte(
                command->firstShown,
                static_cast<std::uint8_t>(std::clamp(fields_.firstShown, 0, kMaxFirstShown)),
                false);
        }
    }
    // The data texts go where the rows stood when they were shown.
    WkImageAccess rows = modul.Access(M::FindDataCommand(RowsCode())->image);
    for (int i = 0; i < 16; ++i) {
        if (auto byte = ByteOf(fields_.data[static_cast<std::size_t>(i)])) {
            rows.SetByteAt(rowsBase_ + i, *byte);
        }
    }
    for (int i = 0; i < 4; ++i) {
        if (auto byte = ByteOf(fields_.password[static_cast<std::size_t>(i)])) {
            modul.Params().SetByte(M::kPasswordBytes[i], *byte);
        }
    }
    // As with the block count: the code the box shows is the code sent.
    std::uint8_t crypt = 0;
    if (modul.Params().GetByte(M::kCryptCode, crypt)) {
        modul.Params().SetByte(M::kCryptCode, static_cast<std::uint8_t>(CryptCodeAt(fields_.crypt)),
                               CryptCodeAt(CryptPositionOf(crypt)) == crypt);
    }
    modul.Base().SetByte(M::kCommandPosition, static_cast<std::uint8_t>(fields_.selected));
    return true;
}

void WkTransponderEditModel::ShowRows() {
    rowsBase_ = StoredRowsBase();
    const M::DataCommand& rows = *M::FindDataCommand(RowsCode());
    const auto& image = document_.Modul().Image(rows.image);
    const auto& unread = unread_[UnreadIndex(rows.image)];
    const int editable = GetPage().editableDataCells;
    for (std::size_t i = 0; i < fields_.data.size(); ++i) {
        const std::size_t index = static_cast<std::size_t>(rowsBase_) + i;
        const std::size_t block = index / M::kBlockBytes;
        fields_.unread[i] =
            block < unread.size() && unread[block] && static_cast<int>(i) >= editable;
        fields_.data[i] =
            fields_.unread[i] ? std::string() : Hex(index < image.size() ? image[index] : 0);
    }
}

void WkTransponderEditModel::NoteDataResult(int code, int result) {
    const M::DataCommand* command = M::FindDataCommand(code);
    if (command == nullptr) {
        return;
    }
    const bool read = WkTransponderCommand::Kind::Read == Selected().kind;
    if (!read && result != 0) {
        return; // a failed write tells nothing of what the transponder holds
    }
    std::uint8_t address = 0;
    std::uint8_t blocks = 1;
    M& modul = document_.Modul();
    modul.Params().GetByte(command->address, address);
    if (command->blocks != nullptr) {
        modul.Params().GetByte(command->blocks, blocks);
    }
    auto& unread = unread_[UnreadIndex(command->image)];
    for (std::size_t block = address;
         block < std::size_t{address} + blocks && block < unread.size(); ++block) {
        unread[block] = result != 0;
    }
}

void WkTransponderEditModel::Show() {
    M& modul = document_.Modul();
    fields_.status = document_.RefreshStatus();
    std::uint8_t position = 0;
    modul.Base().GetByte(M::kCommandPosition, position);
    fields_.selected = position < kTransponderCommandCount ? position : 0;
    fields_.typeText = modul.TypeName();
    fields_.serialText = modul.SerialNumberText();
    bool hex = false;
    modul.Params().GetBit(M::kHexFlag, hex);
    fields_.numberBase = hex ? 1 : 0;
    fields_.idLength = std::to_string(modul.Image(M::kIdImage)[0]);
    fields_.idNumber = modul.IdNumberText();
    const int code = SelectedCode();
    const M::DataCommand* command = M::FindDataCommand(code);
    // Only a command with a block count shows one.
    fields_.blocks = -1;
    if (command != nullptr) {
        lastDataCode_ = code;
        std::uint8_t value = 0;
        modul.Params().GetByte(command->address, value);
        fields_.address = std::to_string(value);
        if (command->blocks != nullptr) {
            modul.Params().GetByte(command->blocks, value);
            fields_.blocks = BlocksPositionOf(value);
        }
        if (command->firstShown != nullptr) {
            modul.Params().GetByte(command->firstShown, value);
            fields_.firstShown = FirstShownOf(value);
        }
    }
    ShowRows();
    for (int i = 0; i < 4; ++i) {
        std::uint8_t value = 0;
        modul.Params().GetByte(M::kPasswordBytes[i], value);
        fields_.password[static_cast<std::size_t>(i)] = Hex(value);
    }
    std::uint8_t crypt = 0;
    modul.Params().GetByte(M::kCryptCode, crypt);
    fields_.crypt = CryptPositionOf(crypt);
}

void WkTransponderEditModel::InitialUpdate() {
    Show();
}

bool WkTransponderEditModel::SelectCommand(int position) {
    if (position < 0 || position >= kTransponderCommandCount || !Take()) {
        return false;
    }
    fields_.selected = position;
    document_.Modul().Base().SetByte(M::kCommandPosition, static_cast<std::uint8_t>(position));
    Show();
    return true;
}

int WkTransponderEditModel::ExecuteSelected() {
    if (!Take()) {
        return 0;
    }
    Show();
    const WkTransponderCommand& command = Selected();
    if (command.panel == WkTransponderCommand::Panel::Crypt &&
        fields_.crypt == kCryptSetupPosition &&
        !document_.GetPrompts().AskYesNo(WkTransponderEditText::kCryptoSetupQuestion)) {
        return 0;
    }
    M& modul = document_.Modul();
    const int result = modul.Execute(command.code);
    fields_.outcome = std::string(command.text) + ": " + WkResultText(result);
    NoteDataResult(command.code, result);
    if (command.selects && result != 0) {
        modul.SerialImage().SetHexText(M::kSerial, "0000000000");
        modul.SerialImage().SetByte(M::kType, M::kNoType);
    }
    if (command.kind == WkTransponderCommand::Kind::Read || command.selects) {
        Show();
    }
    return result;
}

int WkTransponderEditModel::DoubleClick(int position) {
    if (!SelectCommand(position)) {
        return 0;
    }
    return Selected().runsOnDoubleClick ? ExecuteSelected() : 0;
}

std::string WkTransponderEditModel::PopupText() const {
    return FindCommand(CommandId::kTransponderSend)->menuText + std::string(Selected().text);
}

bool WkTransponderEditModel::PopupEnabled() const {
    return document_.IsOnline();
}

void WkTransponderEditModel::StepAddress(int delta) {
    const int address = ParseInt(fields_.address).value_or(0) + delta;
    fields_.address = std::to_string(std::clamp(address, 0, kMaxAddress));
    if (Take()) {
        Show();
    }
}

void WkTransponderEditModel::StepIdLength(int delta) {
    const int length = ParseInt(fields_.idLength).value_or(0) + delta;
    fields_.idLength = std::to_string(std::clamp(length, 0, kMaxIdLength));
    if (Take()) {
        Show();
    }
}

void WkTransponderEditModel::TypedAddress(const std::string& text) {
    if (text.empty()) {
        return;
    }
    fields_.address = text;
    // Rows that scroll follow a typed address; configuration rows stand at it anyway.
    if (auto address = ParseInt(text);
        address && Selected().rows != WkTransponderCommand::Rows::AtAddress) {
        fields_.firstShown = std::clamp(*address, 0, kMaxFirstShown);
    }
    if (Take()) {
        Show();
    }
}

void WkTransponderEditModel::TypedIdLength(const std::string& text) {
    if (text.empty()) {
        return;
    }
    fields_.idLength = text;
    if (Take()) {
        Show();
    }
}

void WkTransponderEditModel::ScrollData(Scroll action, int thumb) {
    if (Selected().rows != WkTransponderCommand::Rows::Scrolled) {
        return;
    }
    int position = fields_.firstShown;
    switch (action) {
    case Scroll::LineUp:
        --position;
        break;
    case Scroll::LineDown:
        ++position;
        break;
    case Scroll::PageUp:
        position -= kPageStep;
        break;
    case Scroll::PageDown:
        position += kPageStep;
        break;
    case Scroll::Top:
        position = 0;
        break;
    case Scroll::Bottom:
        position = kMaxFirstShown;
        break;
    case Scroll::Thumb:
        position = thumb;
        break;
    }
    const int shown = fields_.firstShown;
    fields_.firstShown = std::clamp(position, 0, kMaxFirstShown);
    if (Take()) {
        Show();
    } else {
        fields_.firstShown = shown;
    }
}

void WkTransponderEditModel::SetNumberBase(int base) {
    fields_.numberBase = base == 1 ? 1 : 0;
    if (Take()) {
        Show();
    }
}

bool WkTransponderEditModel::CheckHex(const std::string& text) const {
    const auto fault = FindNonHexDigit(text);
    if (fault) {
        document_.GetPrompts().ShowMessage(HexTextFaultMessage(text, *fault),
                                           Prompts::Icon::Warning);
    }
    return !fault;
}

bool WkTransponderEditModel::EditedData(int index, const std::string& text) {
    fields_.data.at(static_cast<std::size_t>(index)) = text;
    return CheckHex(text);
}

bool WkTransponderEditModel::EditedPassword(int index, const std::string& text) {
    fields_.password.at(static_cast<std::size_t>(index)) = text;
    return CheckHex(text);
}

void WkTransponderEditModel::LeftEdit() {
    if (Take()) {
        Show();
    }
}

void WkTransponderEditModel::SetCryptPosition(int position) {
    fields_.crypt = position;
}

std::uint32_t WkTransponderEditModel::LastSerialNumber() {
    return LastSerial();
}

void WkTransponderEditModel::EditSerialNumber(
    const std::function<std::optional<std::uint32_t>(std::uint32_t)>& ask) {
    if (!Take()) {
        return;
    }
    const std::optional<std::uint32_t> number = ask(LastSerial());
    if (!number) {
        return;
    }
    LastSerial() = *number;
    const unsigned char serial[HESTEL_SNR_SIZE] = {
        0, static_cast<unsigned char>(*number >> 24), static_cast<unsigned char>(*number >> 16),
        static_cast<unsigned char>(*number >> 8), static_cast<unsigned char>(*number)};
    unsigned char code[HESTEL_CODE_SIZE] = {};
    HESTEL_FormatSnr(serial, code);
    M& modul = document_.Modul();
    std::uint8_t address = 0;
    modul.Params().GetByte(M::FindDataCommand(0x14)->address, address);
    modul.Access(M::kPublicImage).SetBytesAt(M::kBlockBytes * address, code, HESTEL_CODE_SIZE);
    Show();
    Take();
}
