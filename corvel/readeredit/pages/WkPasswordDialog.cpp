#include "WkPasswordDialog.h"

#include "Prompts.h"
#include "VELKReaderModul.h"
#include "WkReaderEditDoc.h"

#include <cstdio>
#include <vector>

namespace {

// The descriptor of one byte: the command code in hex, block and position in decimal.
std::string Byte(const char* code, int block, int position) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %02d %02d 01 00 00", code, block, position);
    return text;
}

std::vector<std::string> Descriptors(WkPasswordDialog::Kind kind) {
    std::vector<std::string> list;
    auto four = [&](const char* code, int block, int first) {
        for (int i = 0; i < 4; ++i) {
            list.push_back(Byte(code, block, first + i));
        }
    };
    switch (kind) {
    case WkPasswordDialog::kReaderPassword:
        four("A2", 58, 4);
        four("A2", 58, 8);
        break;
    case WkPasswordDialog::kPasswordTTBC:
        // Each 16-byte block holds old row, new row, old row, new row.
        for (int row = 0; row < 9; ++row) {
            four("A3", 59 + row / 2, row % 2 == 0 ? 0 : 8);
        }
        for (int row = 0; row < 9; ++row) {
            four("A4", 59 + row / 2, row % 2 == 0 ? 4 : 12);
        }
        break;
    case WkPasswordDialog::kPasswordTTCD:
        four("A3", 63, 8);
        four("A4", 63, 12);
        break;
    case WkPasswordDialog::kCalibration:
        list.push_back("6B 02 11 01 00 00");
        break;
    }
    return list;
}

} // namespace

WkPasswordDialog::WkPasswordDialog(Kind kind, WkReaderEditDoc& document)
    : kind_(kind), document_(document),
      fields_(document.Modul(), kind == kCalibration ? 1 : 11, Descriptors(kind),
              [&document]() -> Prompts& { return document.GetPrompts(); }) {}

std::string WkPasswordDialog::Title() const {
    switch (kind_) {
    case kReaderPassword:
        return "Change Reader Password";
    case kPasswordTTBC:
        return "Change TTB/.C Transponder Password (only for Crypto-Reader)";
    case kPasswordTTCD:
        return "Change TTC/.D Transponder Password";
    default:
        return "Change KRD Calibration Value";
    }
}

std::vector<WkHexFrame> WkPasswordDialog::Frames() const {
    switch (kind_) {
    case kReaderPassword:
        return {{"[0xA2] Password (hex)", {"&old", "&new"}}};
    case kPasswordTTBC: {
        const std::vector<std::string> rows = {"KeyA",      "KeyB",      "Logdata0A",
                                               "Logdata0B", "Logdata1A", "Logdata1B",
                                               "Key16",     "Key32",     "PW24"};
        return {{"[0xA3] &Old Password (hex)", rows}, {"[0xA4] &New Password (hex)", rows}};
    }
    case kPasswordTTCD:
        return {{"[0xA3] &Old Password (hex)", {""}}, {"[0xA4] &New Password (hex)", {""}}};
    default:
        return {{"[0x6B] KAL-KRD (hex)", {""}, 1}};
    }
}

void WkPasswordDialog::LeaveField() {
    if (kind_ != kCalibration) {
        fields_.CommitComplete();
    }
}

int WkPasswordDialog::Send(std::size_t* bad) {
    if (!fields_.Take(bad)) {
        return 0;
    }
    VELKReaderModul& modul = document_.Modul();
    switch (kind_) {
    case kReaderPassword:
        return modul.Execute(0xA2);
    case kCalibration:
        return modul.Execute(0x6B);
    default: {
        const std::uint8_t type = kind_ == kPasswordTTBC ? 1 : 3;
        modul.Answer().SetByte("A3 33 09 01 00 00", type);
        const int old = modul.Execute(0xA3);
        modul.Answer().SetByte("A4 33 10 01 00 00", type);
        const int rc = modul.Execute(0xA4);
        return old != 0 ? old : rc;
    }
    }
}

int WkPasswordDialog::Read() {
    VELKReaderModul& modul = document_.Modul();
    modul.SetBlockReadFlag("6B 02 11 01 00 00", false);
    const int rc = modul.ReadParameter(0x6B);
    if (rc == 0) {
        fields_.Load();
    }
    return rc;
}

bool CheckMinLength(const std::string& text, int minimum, Prompts& prompts) {
    if (static_cast<int>(text.size()) >= minimum) {
        return true;
    }
    prompts.ShowMessage("You have to input at least " + std::to_string(minimum) + " chars",
                        Prompts::Icon::Warning);
    return false;
}
