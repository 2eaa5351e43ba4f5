#include "kestra/Reader.h"

#include <algorithm>
#include <stdexcept>

namespace kestra {

namespace {

constexpr int kVariable = -1;

struct CommandSpec {
    std::uint8_t code;
    int length; // request data bytes, or kVariable
    bool open;  // allowed while the reader is locked and nobody logged in
};

// Every command a Kestra reader knows, whichever model it is.
constexpr CommandSpec kCommands[] = {
    {0x11, kVariable, true},  {0x12, kVariable, true},  {0x13, kVariable, true},
    {0x14, kVariable, true},  {0x15, kVariable, true},  {0x16, kVariable, true},
    {0x17, kVariable, true},  {0x18, kVariable, true},  {0x19, kVariable, true},
    {0x1A, kVariable, true},  {0x1B, kVariable, true},  {0x1C, kVariable, true},
    {0x1D, kVariable, true},  {0x40, 1, false},         {0x41, 1, false},
    {0x42, 2, false},         {0x43, 2, false},         {0x50, 1, false},
    {0x51, 1, false},         {0x52, 1, true},          {0x53, 1, false},
    {0x54, 1, false},         {0x60, 2, false},         {0x62, 1, false},
    {0x63, 0, true},          {0x64, 0, false},         {0x65, 0, true},
    {0x66, 2, false},         {0x67, 1, false},         {0x68, 1, false},
    {0x69, 0, false},         {0x6B, 1, false},         {0x70, 4, false},
    {0x71, kVariable, false}, {0x72, 2, false},         {0x73, 4, false},
    {0x74, 0, false},         {0x75, 1, false},         {0x77, 8, false},
    {0x80, 2, false},         {0x82, kVariable, false}, {0xA0, 4, true},
    {0xA1, 1, false},         {0xA2, 8, false},         {0xA3, kVariable, false},
    {0xA4, kVariable, false}, {0xA5, 2, false},         {0xA6, 1, false},
    {0xAA, kVariable, true},
};

const CommandSpec* FindCommand(std::uint8_t code) {
    for (const CommandSpec& known : kCommands) {
        if (known.code == code) {
            return &known;
        }
    }
    return nullptr;
}

Answer Status(std::uint8_t code) {
    return Answer{code, {}};
}

std::uint16_t Word(const Bytes& data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
}

} // namespace

Reader::Reader(Model model, std::uint8_t address, unsigned baud) : model_(model) {
    auto code = CodeOfBaud(baud);
    if (!code || *code < 2) {
        throw std::invalid_argument("unsupported baud rate");
    }
    const ModelInfo& info = GetModelInfo(model);
    std::copy(info.factory.begin(), info.factory.end(), eeprom_.begin());
    eeprom_[0][7] = static_cast<std::uint8_t>((eeprom_[0][7] & ~0x07) | *code);
    eeprom_[0][8] = address;
    // Block 3 carries the model name, as the factory writes it.
    std::copy_n(info.name, 3, eeprom_[3].begin());
    PowerOn(TimePoint{});
}

void Reader::PowerOn(TimePoint now) {
    address_ = eeprom_[0][8];
    if (unsigned baud = BaudOfCode(eeprom_[0][7] & 0x07); baud != 0) {
        baud_ = baud;
    }
    parity_ = (eeprom_[0][7] & 0x80) == 0;
    loggedIn_ = false;
    outputTimes_.fill(0);
    passwordsVerified_ = 0;
    antenna_ = 0;
    field_.Reset();
    autoAnswer_.Stop();
    if (field_.Visible(EnabledTypes()) != nullptr && AutoAnswer::Enabled(eeprom_[0])) {
        autoAnswer_.Start(now, eeprom_[0]);
    }
}

std::uint8_t Reader::EnabledTypes() const {
    return GetModelInfo(model_).version[4] & eeprom_[2][13];
}

bool Reader::HasCommand(std::uint8_t command) const {
    switch (command) {
    case 0x71:
        return model_ == Model::KRB || model_ == Model::KRD;
    case 0x77:
        return model_ == Model::KRB;
    case 0x68:
    case 0x6B:
        return model_ == Model::KRD;
    case 0xAA:
        return model_ == Model::KRC || model_ == Model::KRD;
    default:
        return true;
    }
}

Answer Reader::Handle(const Request& request, TimePoint now) {
    const CommandSpec* known = FindCommand(request.command);
    if (known == nullptr) {
        return Status(status::kUnknownCommand);
    }
    if (!HasCommand(request.command)) {
        return Status(status::kNotAvailable);
    }
    if (known->length != kVariable &&
        request.data.size() != static_cast<std::size_t>(known->length)) {
        return Status(status::kLengthError);
    }
    if (!known->open && Locked() && !loggedIn_) {
        return Status(status::kLoginRequest);
    }
    if (Field::IsTransponderCommand(request.command)) {
        return field_.Handle(request.command, request.data, EnabledTypes());
    }
    switch (request.command) {
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
    case 0x50:
    case 0x51:
    case 0x53:
    case 0x54:
    case 0x60:
    case 0x66:
    case 0x67:
    case 0x6B:
    case 0x70:
    case 0x72:
    case 0x73:
    case 0x75:
    case 0x80:
    case 0xA1:
    case 0xA5:
    case 0xA6: {
        Answer answer = Configure(request);
        if (answer.status == status::kOk && (request.command == 0x40 || request.command == 0x50)) {
            RefreshAutoAnswer(now);
        }
        return answer;
    }
    case 0xA0:
    case 0xA2:
    case 0xA3:
    case 0xA4:
        return Passwords(request);
    default:
        return ExecuteOther(request, now);
    }
}

// The EEPROM writes: each changes exactly the bytes of its value in blocks 0..2, after a
// range check of what the bytes may hold.
Answer Reader::Configure(const Request& request) {
    const Bytes& d = request.data;
    Block& b0 = eeprom_[0];
    Block& b1 = eeprom_[1];
    Block& b2 = eeprom_[2];
    auto put = [](Block& block, std::size_t at, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), block.begin() + static_cast<std::ptrdiff_t>(at));
        return Status(status::kOk);
    };
    switch (request.command) {
    case 0x40:
        return d[0] > 0x7F ? Status(status::kRangeError) : put(b0, 0, d);
    case 0x41:
        return put(b0, 1, d);
    case 0x42:
        return put(b0, 2, d);
    case 0x43:
        if ((d[1] & 0x78) != 0 || (d[1] & 0x07) > 4) {
            return Status(status::kRangeError);
        }
        return put(b0, 4, d);
    case 0x50: {
        std::uint8_t v = d[0];
        bool oneHot = v != 0 && v <= 0x08 && (v & (v - 1)) == 0;
        return oneHot ? put(b0, 6, d) : Status(status::kRangeError);
    }
    case 0x51:
        if ((d[0] & 0x78) != 0 || BaudOfCode(d[0] & 0x07) == 0) {
            return Status(status::kRangeError);
        }
        return put(b0, 7, d);
    case 0x53:
        return d[0] >= kBroadcastLow ? Status(status::kRangeError) : put(b0, 8, d);
    case 0x54:
        return put(b0, 14, d);
    case 0x60:
        return put(b0, 9, d);
    case 0x66:
        return put(b0, 11, d);
    case 0x67:
        return d[0] > 3 ? Status(status::kRangeError) : put(b0, 13, d);
    case 0x70:
        return put(b1, 0, d);
    case 0x72:
        return put(b1, 4, d);
    case 0x73:
        return put(b1, 6, d);
    case 0x75:
        return d[0] > 0x0F ? Status(status::kRangeError) : put(b1, 10, d);
    case 0x6B:
        return put(b2, 11, d);
    case 0x80:
        return put(b2, 12, d);
    case 0xA1:
        return d[0] > 1 ? Status(status::kRangeError) : put(b2, 0, d);
    case 0xA5:
        if (d[0] < 1 || d[0] > 3) {
            return Status(status::kRangeError);
        }
        return put(b2, d[0], Bytes{d[1]});
    case 0xA6:
        return d[0] > 1 ? Status(status::kRangeError) : put(b2, 14, d);
    default:
        return Status(status::kUnknownCommand);
    }
}

Answer Reader::Passwords(const Request& request) {
    const Bytes& d = request.data;
    switch (request.command) {
    case 0xA0:
        if (!std::equal(d.begin(), d.end(), readerPassword_.begin())) {
            loggedIn_ = false;
            return Status(status::kLoginError);
        }
        loggedIn_ = true;
        return Status(status::kOk);
    case 0xA2:
        if (!std::equal(d.begin(), d.begin() + 4, readerPassword_.begin())) {
            return Status(status::kLoginError);
        }
        std::copy(d.begin() + 4, d.end(), readerPassword_.begin());
        return Status(status::kOk);
    default:
        break;
    }
    // 0xA3 gives the transponder passwords the reader holds now, 0xA4 right after it the
    // new ones: type 1 (TTB) nine passwords, type 3 (TTC) one.
    if (d.empty()) {
        return Status(status::kLengthError);
    }
    std::uint8_t type = d[0];
    if (type != 1 && type != 3) {
        return Status(status::kRangeError);
    }
    std::size_t count = type == 1 ? ttbPasswords_.size() : 1;
    if (d.size() != 1 + 4 * count) {
        return Status(status::kLengthError);
    }
    auto password = [&](std::size_t i) -> std::array<std::uint8_t, 4>& {
        return type == 1 ? ttbPasswords_[i] : ttcPassword_;
    };
    if (request.command == 0xA3) {
        passwordsVerified_ = 0;
        for (std::size_t i = 0; i < count; ++i) {
            auto given = d.begin() + static_cast<std::ptrdiff_t>(1 + 4 * i);
            if (!std::equal(given, given + 4, password(i).begin())) {
                return Status(type == 1 ? static_cast<std::uint8_t>(status::kPasswordError + 1 + i)
                                        : status::kPasswordError);
            }
        }
        passwordsVerified_ = type;
        return Status(status::kOk);
    }
    if (passwordsVerified_ != type) {
        return Status(status::kPasswordCycle);
    }
    for (std::size_t i = 0; i < count; ++i) {
        auto given = d.begin() + static_cast<std::ptrdiff_t>(1 + 4 * i);
        std::copy(given, given + 4, password(i).begin());
    }
    passwordsVerified_ = 0;
    return Status(status::kOk);
}

Answer Reader::SetOutputs(const Request& request, std::size_t count) {
    if (request.data.size() != 2 * count) {
        return Status(status::kLengthError);
    }
    for (std::size_t i = 0; i < count; ++i) {
        outputTimes_[i] = Word(request.data, 2 * i);
    }
    return Status(status::kOk);
}

Answer Reader::ExecuteOther(const Request& request, TimePoint now) {
    const Bytes& d = request.data;
    switch (request.command) {
    case 0x52:
        return Status(status::kOk);
    case 0x62:
        if (d[0] >= kEepromBlocks) {
            return Status(status::kRangeError);
        }
        return Answer{status::kOk, Bytes(eeprom_[d[0]].begin(), eeprom_[d[0]].end())};
    case 0x63:
        PowerOn(now);
        return Status(status::kOk);
    case 0x64: {
        const ModelInfo& info = GetModelInfo(model_);
        std::copy(info.factory.begin(), info.factory.end(), eeprom_.begin());
        readerPassword_.fill(0);
        return Status(status::kOk);
    }
    case 0x65: {
        const auto& version = GetModelInfo(model_).version;
        return Answer{status::kOk, Bytes(version.begin(), version.end())};
    }
    case 0x68:
        if (d[0] > 3) {
            return Status(status::kRangeError);
        }
        antenna_ = d[0];
        return Status(status::kOk);
    case 0x69:
        field_.Reset();
        return Status(status::kOk);
    case 0x71:
        return SetOutputs(request, model_ == Model::KRD ? 5 : 4);
    case 0x77:
        return SetOutputs(request, 4);
    case 0x74:
        return Answer{status::kOk, {inputs_}};
    case 0x82: {
        if (d.empty() || d.size() > 1 + kBlockSize) {
            return Status(status::kLengthError);
        }
        if (d[0] >= kEepromBlocks) {
            return Status(status::kRangeError);
        }
        std::copy(d.begin() + 1, d.end(), eeprom_[d[0]].begin());
        return Status(status::kOk);
    }
    default:
        return Status(status::kUnknownCommand);
    }
}

void Reader::RefreshAutoAnswer(TimePoint now) {
    if (!AutoAnswer::Enabled(eeprom_[0]) || field_.Visible(EnabledTypes()) == nullptr) {
        autoAnswer_.Stop();
    } else if (!autoAnswer_.Due()) {
        autoAnswer_.Start(now, eeprom_[0]);
    }
}

void Reader::PutTransponder(std::optional<Transponder> tag, TimePoint now) {
    field_.Put(std::move(tag));
    autoAnswer_.Stop();
    if (field_.Visible(EnabledTypes()) != nullptr && AutoAnswer::Enabled(eeprom_[0])) {
        autoAnswer_.Start(now, eeprom_[0]);
    }
}

std::optional<Bytes> Reader::TakeAutoAnswer(TimePoint now) {
    bool burstDone = false;
    if (!autoAnswer_.Take(now, eeprom_[0], burstDone)) {
        return std::nullopt;
    }
    const Transponder* tag = field_.Visible(EnabledTypes());
    if (tag == nullptr || !AutoAnswer::Enabled(eeprom_[0])) {
        autoAnswer_.Stop();
        return std::nullopt;
    }
    Bytes protocol = AutoAnswer::BuildProtocol(eeprom_[0], *tag, address_);
    if (burstDone && (eeprom_[0][0] & 0x08) != 0) {
        field_.Halt();
        autoAnswer_.Stop();
    }
    return protocol;
}

} // namespace kestra
