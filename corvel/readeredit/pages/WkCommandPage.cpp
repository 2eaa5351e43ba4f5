#include "WkCommandPage.h"

#include "Prompts.h"
#include "VELKReaderModul.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditHost.h"
#include "WkResultText.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace {

// Descriptors "CC BB PP LL bb nn": command code in hex, then block (16 bytes), byte position,
// byte length, lowest bit and bit count in decimal ("71 32 12 01 00 00" is byte 524).
constexpr const char* kSelection = "00 00 02 01 00 00";
constexpr const char* kOutputSelector = "71 32 12 01 00 00";
constexpr int kAddressField = 5;

// The menu entry of each list entry, in list order.
const WkMenuEntry kMenu[] = {
    {32843, "Send [0x52] Baudrate Detection"}, {32844, "Send [0x62] Read Configuration"},
    {32846, "Send [0x63] CPU Reset"},          {32845, "Send [0x64] Configuration Reset"},
    {32847, "Send [0x65] Software Version"},   {32848, "Send [0x69] RF Reset"},
    {32849, "Send [0x71] Set KRB Output"},     {32850, "Send [0x71] Set KRD Output"},
    {32851, "Send [0x74] Get Input State"},    {32875, "Send [0x77] Set KRB Output and Quit"},
    {32852, "Send [0xA0] Reader Login"}};

WkPageControl Time(int id, const char* label, const char* descriptor, std::uint32_t max) {
    WkPageControl c;
    c.id = id;
    c.kind = WkControlKind::Number;
    c.group = "Command";
    c.label = label;
    c.unit = id == 1071 ? "x 5 ms" : "";
    c.descriptor = descriptor;
    c.image = 11;
    c.max = max;
    return c;
}

std::string Code(int rc) {
    return rc < 0 ? "Errorcode:..." + std::to_string(rc) : "Statusbyte:..." + std::to_string(rc);
}

} // namespace

WkCommandPage::WkCommandPage(WkReaderEditDoc& document)
    : document_(document), numbers_{Time(1071, "Time LED Green", "71 32 07 02 00 00", 65535),
                                    Time(1072, "Time LED Red", "71 32 05 02 00 00", 65535),
                                    Time(1073, "Time Buzzer", "71 32 03 02 00 00", 65535),
                                    Time(1074, "Time Relay", "71 32 01 02 00 00", 65535),
                                    Time(1075, "Time LED Yellow", "71 32 09 02 00 00", 65535),
                                    Time(1076, "Adress", "62 32 14 01 00 00", 31)},
      numberTexts_(numbers_.size(), "0"),
      password_(
          document.Modul(), 11,
          {"A0 58 00 01 00 00", "A0 58 01 01 00 00", "A0 58 02 01 00 00", "A0 58 03 01 00 00"},
          [&document]() -> Prompts& { return document.GetPrompts(); }) {}

WkCommandPage::~WkCommandPage() {
    CancelDetection();
}

const std::vector<std::string>& WkCommandPage::Commands() {
    static const std::vector<std::string> commands = {
        "[0x52] Baudrate Detection",      "[0x62] EEPROM Dump",      "[0x63] CPU Reset",
        "[0x64] Configuration Reset",     "[0x65] Software Version", "[0x69] RF-Reset",
        "[0x71] Set KRB Output",          "[0x71] Set KRD Output",   "[0x74] Get Input State",
        "[0x77] Set KRB Output and Quit", "[0xA0] Reader Login"};
    return commands;
}

void WkCommandPage::Select(int index) {
    selection_ = std::clamp(index, 0, static_cast<int>(Commands().size()) - 1);
    document_.Modul().Answer().SetByte(kSelection, static_cast<std::uint8_t>(selection_));
    Show("");
}

bool WkCommandPage::IsShown(Field field) const {
    const int i = selection_;
    switch (field) {
    case kResult:
        return i <= 5 || i == 8;
    case kAddress:
        return i == 1;
    case kTimeYellow:
        return i == 7;
    case kPassword:
        return i == 10;
    default: // the four output times
        return i == 6 || i == 7 || i == 9;
    }
}

void WkCommandPage::SetNumberText(std::size_t index, std::string text) {
    numberTexts_.at(index) = std::move(text);
}

void WkCommandPage::Spin(int step) {
    const long address = std::strtol(numberTexts_[kAddressField].c_str(), nullptr, 10) - step;
    numberTexts_[kAddressField] = std::to_string(std::clamp(address, 0L, 31L));
    Commit();
    Show(result_);
}

void WkCommandPage::LeavePassword() {
    password_.CommitComplete();
    Show(result_);
}

std::string WkCommandPage::ResultText(int rc) {
    return "\r\n\r\n\r\n" + (rc == 0 ? std::string{"OK"} : Code(rc));
}

std::string WkCommandPage::VersionText(int rc) {
    VELKReaderModul& modul = document_.Modul();
    if (rc != 0) {
        return "\r\n\r\n\r\n" + Code(rc);
    }
    return std::string{"\r\n"} + "Software Version: " + "\r\n\r\n" + "Hardware-Type:....." +
           modul.ReaderTypeText() + "\r\n" + "Software-Type:....." + modul.SoftwareVersionText() +
           "\r\n" + "Transponder-Types:....." + modul.SoftwareRevisionText();
}

std::string WkCommandPage::InputText(int rc) {
    if (rc != 0) {
        return "\r\n" + Code(rc);
    }
    auto state = [this](const char* descriptor) {
        bool on = false;
        document_.Modul().Answer().GetBit(descriptor, on);
        return on ? "on" : "off";
    };
    return std::string{"\r\n"} + "Input States:" + "\r\n\r\n" + "Input 1....." +
           state("74 32 11 01 00 01") + "\r\n" + "Input 2....." + state("74 32 11 01 01 01") +
           "\r\n" + "Input SA...." + state("74 32 11 01 02 01");
}

std::vector<WkMenuEntry> WkCommandPage::ContextMenu() const {
    return {kMenu[selection_]};
}

int WkCommandPage::OnMenu(int id) {
    // Entry 32875 sends 0x77 as "&Send" does for the same list entry.
    return id == kMenu[selection_].id ? Send() : 0;
}

int WkCommandPage::Send() {
    if (detection_ != nullptr || !Commit()) {
        return 0;
    }
    const std::string& text = Commands()[static_cast<std::size_t>(selection_)];
    int code = 0;
    std::from_chars(text.data() + 3, text.data() + 5, code, 16);
    if (code == 0xA0 && !password_.Take()) {
        return 0;
    }
    if (code != 0x52) {
        return Run(code);
    }
    if (!StartDetection()) {
        return 0;
    }
    if (runner_) {
        runner_();
        return 0;
    }
    while (!StepDetection()) {
    }
    return detectionFound_ ? 0 : -1;
}

bool WkCommandPage::StartDetection() {
    WkReaderEditHost* host = document_.Host();
    detection_ = std::make_unique<WkBaudDetection>(
        host != nullptr ? &host->Libraries() : nullptr, document_.GetReaderHandle(),
        [this] { return document_.Modul().Execute(0x52); },
        [this](const std::string& text) { Show(text); });
    detection_->SetTimeoutFactor(timeoutFactor_);
    if (!detection_->Start()) {
        detection_.reset();
        return false;
    }
    return true;
}

void WkCommandPage::CancelDetection() {
    if (detection_ != nullptr) {
        detection_->Cancel();
        detection_.reset();
        detectionFound_ = false;
    }
}

std::string WkCommandPage::BusyText() const {
    return detection_ != nullptr ? detection_->Progress() : std::string();
}

WkPageSend WkCommandPage::CommitAndSendPage() {
    Send();
    return {};
}

bool WkCommandPage::StepDetection() {
    if (detection_ == nullptr) {
        return true;
    }
    if (!detection_->Step()) {
        return false;
    }
    detectionFound_ = detection_->Found();
    detection_.reset();
    return true;
}

int WkCommandPage::Run(int code) {
    VELKReaderModul& modul = document_.Modul();
    const std::string& text = Commands()[static_cast<std::size_t>(selection_)];
    if (code == 0x71 || code == 0x77) {
        modul.Answer().SetByte(kOutputSelector, text.find("KRD") != std::string::npos ? 80 : 64);
    }
    const int rc = modul.Execute(code);
    switch (code) {
    case 0x62:
    case 0x63:
    case 0x64:
    case 0x69:
        Show(ResultText(rc));
        break;
    case 0x65:
        Show(VersionText(rc));
        break;
    case 0x74:
        Show(InputText(rc));
        break;
    default:
        break;
    }
    // Every command's outcome also beside the buttons: the outputs and the login have no
    // result field.
    document_.ShowOutcome(text + ": " + WkResultText(rc));
    return rc;
}

void WkCommandPage::Show(std::string text) {
    result_ = std::move(text);
    if (changed_) {
        changed_();
    }
}

void WkCommandPage::Activate(WkPageButtons& buttons) {
    buttons.SetSendPageText(kSendText);
    buttons.EnableButtons(buttons.IsPortChosen(), false, false, false);
    Load();
}

void WkCommandPage::Load() {
    VELKReaderModul& modul = document_.Modul();
    std::uint8_t selection = 0;
    modul.Answer().GetByte(kSelection, selection);
    selection_ = std::min<int>(selection, static_cast<int>(Commands().size()) - 1);
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        numberTexts_[i] = std::to_string(ReadControl(numbers_[i], modul).value_or(0));
    }
    password_.Load();
    Show(result_);
}

bool WkCommandPage::Commit() {
    VELKReaderModul& modul = document_.Modul();
    std::vector<std::uint32_t> values(numbers_.size());
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        const auto value = ParseControlValue(numbers_[i], numberTexts_[i]);
        if (!value) {
            document_.GetPrompts().ShowMessage(RangeMessage(numbers_[i], numberTexts_[i]),
                                               Prompts::Icon::Warning);
            return false;
        }
        values[i] = *value;
    }
    modul.Answer().SetByte(kSelection, static_cast<std::uint8_t>(selection_));
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        WriteControl(numbers_[i], modul, values[i]);
    }
    password_.CommitComplete();
    return true;
}
