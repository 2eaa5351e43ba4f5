#include "WkConfigPage.h"

#include "Prompts.h"
#include "VELKReaderModul.h"
#include "WkParamDescriptor.h"
#include "WkReaderEditDoc.h"
#include "WkResultText.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kTypeNames[] = {"TTA", "TTB", "TTC", "TTD"};

bool IsNumber(const WkPageControl& control) {
    return control.kind == WkControlKind::Number;
}

int BlockOf(const std::string& descriptor) {
    const auto parsed = WkParamDescriptor::Parse(descriptor);
    return parsed ? parsed->block : -1;
}

} // namespace

WkConfigPage::WkConfigPage(const WkPageTable& table, WkReaderEditDoc& document)
    : table_(table), document_(document), modul_(document.Modul()),
      values_(table.controls.size(), 0), texts_(table.controls.size()) {
    Load(); // a page that commits before it was ever shown keeps the module's values
}

void WkConfigPage::SetValue(std::size_t index, std::uint32_t value) {
    values_.at(index) = value;
    if (table_.controls[index].kind == WkControlKind::TypeList) {
        Commit();
        Changed();
    }
}

void WkConfigPage::SetText(std::size_t index, std::string text) {
    texts_.at(index) = std::move(text);
}

int WkConfigPage::CurrentType() const {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (table_.controls[i].kind == WkControlKind::TypeList) {
            return static_cast<int>(values_[i]);
        }
    }
    return 0;
}

bool WkConfigPage::IsShown(std::size_t index) const {
    const int type = table_.controls.at(index).type;
    return type == 0 || type == CurrentType();
}

std::vector<std::string> WkConfigPage::Frames() const {
    std::vector<std::string> frames;
    for (const WkCommandGroup& group : table_.groups) {
        if (frames.empty() || frames.back() != group.frame) {
            frames.push_back(group.frame);
        }
    }
    return frames;
}

std::string WkConfigPage::FrameTitle(const std::string& frame) const {
    if (!table_.overTypes) {
        return frame;
    }
    const int type = CurrentType();
    return type >= 0 && type < 4 ? frame + " " + kTypeNames[type] : frame;
}

std::vector<WkMenuEntry> WkConfigPage::ContextMenu(const std::string& frame) const {
    for (const WkCommandGroup& group : table_.groups) {
        if (group.frame == frame && (group.type == 0 || group.type == CurrentType())) {
            return {{group.sendId, group.sendText}, {group.readId, group.readText}};
        }
    }
    return {};
}

int WkConfigPage::OnMenu(int id) {
    for (const WkCommandGroup& group : table_.groups) {
        if (group.sendId == id) {
            if (!Commit() || !document_.ConfirmSend({BlockOf(group.readClears.front())},
                                                    WkReaderEditDoc::kUnknownPageQuestion)) {
                return 0;
            }
            const int rc = SendGroup(group);
            ShowResult(group.sendText, rc);
            return rc;
        }
        if (group.readId == id) {
            const int rc = ReadGroup(group);
            ShowResult(group.readText, rc);
            return rc;
        }
    }
    return 0;
}

void WkConfigPage::SetType(int type) {
    modul_.Answer().SetByte(kTransponderTypeDescriptor, static_cast<std::uint8_t>(type));
}

int WkConfigPage::SendGroup(const WkCommandGroup& group) {
    if (group.type != 0) {
        SetType(group.type);
    }
    return modul_.Execute(group.code);
}

int WkConfigPage::ReadGroup(const WkCommandGroup& group) {
    for (const std::string& descriptor : group.readClears) {
        modul_.SetBlockReadFlag(descriptor, false);
    }
    if (group.type != 0) {
        SetType(group.type);
    }
    const int rc = modul_.ReadParameter(group.code);
    if (rc == 0) {
        Load();
    }
    return rc;
}

WkPageSend WkConfigPage::SendCodes() {
    // The transponder modes go out once per type; the type value is left at the last one.
    WkPageSend send;
    const int types = table_.overTypes ? 3 : 1;
    send.total = types * static_cast<int>(table_.sendCodes.size());
    for (int type = 1; type <= types && send.failed.empty(); ++type) {
        if (table_.overTypes) {
            SetType(type);
        }
        for (int code : table_.sendCodes) {
            if (const int rc = modul_.Execute(code); rc != 0) {
                send.failed = GroupName(code, type);
                send.result = rc;
                break;
            }
            ++send.sent;
        }
    }
    ShowStoredType();
    return send;
}

std::vector<int> WkConfigPage::Blocks() const {
    std::vector<int> blocks;
    for (const std::string& descriptor : table_.readList) {
        const int block = BlockOf(descriptor);
        if (std::find(blocks.begin(), blocks.end(), block) == blocks.end()) {
            blocks.push_back(block);
        }
    }
    return blocks;
}

WkPageSend WkConfigPage::SendPage() {
    return SendCodes();
}

WkPageSend WkConfigPage::CommitAndSendPage() {
    if (!Commit() || !document_.ConfirmSend(Blocks(), WkReaderEditDoc::kUnknownPageQuestion)) {
        WkPageSend refused;
        refused.refused = true;
        return refused;
    }
    return SendCodes();
}

std::string WkConfigPage::GroupName(int code, int type) const {
    const auto group =
        std::find_if(table_.groups.begin(), table_.groups.end(), [&](const WkCommandGroup& g) {
            return g.code == code && (g.type == 0 || g.type == type);
        });
    char bare[16];
    std::snprintf(bare, sizeof bare, "[0x%02X]", code);
    return group != table_.groups.end() ? group->sendText.substr(group->sendText.find(' ') + 1)
                                        : std::string(bare);
}

void WkConfigPage::ShowResult(const std::string& entry, int rc) {
    if (rc != 0) {
        document_.Report(entry + " failed: " + WkResultText(rc) + ".");
    } else {
        document_.ShowOutcome(entry + ": OK");
    }
}

WkPageSend WkConfigPage::ReadPage(bool force) {
    if (force) {
        for (const std::string& descriptor : table_.readList) {
            modul_.SetBlockReadFlag(descriptor, false);
        }
    }
    WkPageSend read;
    const int types = table_.overTypes ? 3 : 1;
    for (int type = 1; type <= types; ++type) {
        if (table_.overTypes) {
            SetType(type);
        }
        for (int code : table_.readCodes) {
            ++read.total;
            const int rc = modul_.ReadParameter(code);
            if (rc == 0) {
                ++read.sent;
            } else if (read.failed.empty()) {
                read.failed = GroupName(code, type);
                read.result = rc;
            }
        }
    }
    ShowStoredType();
    return read;
}

void WkConfigPage::ShowStoredType() {
    // Send and read over the types leave the last type stored; the list follows it, or the
    // next commit would write the type that was shown before back.
    if (!table_.overTypes) {
        return;
    }
    for (std::size_t i = 0; i < table_.controls.size(); ++i) {
        if (table_.controls[i].kind == WkControlKind::TypeList) {
            values_[i] = ReadControl(table_.controls[i], modul_).value_or(0);
        }
    }
    Changed();
}

WkPageSend WkConfigPage::ReadPageAndLoad() {
    const WkPageSend read = ReadPage(true);
    Load();
    return read;
}

void WkConfigPage::Activate(WkPageButtons& buttons) {
    const bool port = buttons.IsPortChosen();
    buttons.SetSendPageText("&Send Page");
    buttons.EnableButtons(port, port, port, port);
    Load();
}

void WkConfigPage::Load() {
    for (std::size_t i = 0; i < table_.controls.size(); ++i) {
        const WkPageControl& control = table_.controls[i];
        const std::uint32_t value = ReadControl(control, modul_).value_or(0);
        values_[i] = value;
        if (IsNumber(control)) {
            texts_[i] = std::to_string(value);
        }
    }
    Changed();
}

bool WkConfigPage::Commit() {
    // Every number is checked before anything is written, so a range error leaves the
    // module untouched.
    std::vector<std::uint32_t> values = values_;
    for (std::size_t i = 0; i < table_.controls.size(); ++i) {
        const WkPageControl& control = table_.controls[i];
        if (!IsNumber(control)) {
            continue;
        }
        const auto number = ParseControlValue(control, texts_[i]);
        if (!number) {
            document_.GetPrompts().ShowMessage(RangeMessage(control, texts_[i]),
                                               Prompts::Icon::Warning);
            return false;
        }
        values[i] = *number;
    }
    for (std::size_t i = 0; i < table_.controls.size(); ++i) {
        WriteControl(table_.controls[i], modul_, values[i]);
    }
    values_ = std::move(values);
    return true;
}

void WkConfigPage::Changed() {
    if (changed_) {
        changed_();
    }
}
