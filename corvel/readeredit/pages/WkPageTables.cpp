// The seven configuration pages of the reader editor, control by control. Descriptors are
// "CC BB PP LL bb nn" (WkPageTable.h): the command code is hex, the other five fields decimal.

#include "WkPageTable.h"

namespace {

using K = WkControlKind;
using Items = std::vector<std::string>;

WkPageControl Check(int id, std::string group, std::string label, std::string descriptor) {
    WkPageControl c;
    c.id = id;
    c.kind = K::Check;
    c.group = std::move(group);
    c.label = std::move(label);
    c.descriptor = std::move(descriptor);
    return c;
}

WkPageControl Choice(K kind, int id, std::string group, std::string label, Items items,
                     std::string descriptor) {
    WkPageControl c;
    c.id = id;
    c.kind = kind;
    c.group = std::move(group);
    c.label = std::move(label);
    c.items = std::move(items);
    c.descriptor = std::move(descriptor);
    return c;
}

WkPageControl Number(int id, std::string group, std::string label, std::string unit,
                     std::string descriptor, std::uint32_t max) {
    WkPageControl c;
    c.id = id;
    c.kind = K::Number;
    c.group = std::move(group);
    c.label = std::move(label);
    c.unit = std::move(unit);
    c.descriptor = std::move(descriptor);
    c.max = max;
    return c;
}

// A group whose menu texts are "Send " and "Read " followed by its frame title, and whose
// read clears the flags of `clears`.
WkCommandGroup Group(std::string frame, int code, int sendId, int readId, Items clears) {
    WkCommandGroup g;
    g.sendText = "Send " + frame;
    g.readText = "Read " + frame;
    g.frame = std::move(frame);
    g.code = code;
    g.sendId = sendId;
    g.readId = readId;
    g.readClears = std::move(clears);
    return g;
}

std::string Bit(const char* prefix, int bit) {
    return std::string{prefix} + "0" + std::to_string(bit) + " 01";
}

WkPageTable Page1() {
    const std::string mode = "[0x40] Mode", blocks = "[0x41] Protocol Blocks",
                      gap = "[0x42] Gap Time (tf)", data = "[0x43] Datablock Definition",
                      lock = "[0x60] Lock Time (ts)";
    WkPageTable p;
    p.caption = "Auto Answer Mode";
    p.controls = {
        Check(1044, mode, "Serial-No", "40 00 00 01 00 01"),
        Check(1045, mode, "ID-No", "40 00 00 01 01 01"),
        Check(1046, mode, "Datablock", "40 00 00 01 02 01"),
        Check(1255, mode, "Halt", "40 00 00 01 03 01"),
        Choice(K::Radio, 1087, mode, "Repetition", {"repeat", "not repeat"}, "40 00 00 01 04 01"),
        Choice(K::Radio, 1253, mode, "Serial-No format", {"Hex", "BCD"}, "40 00 00 01 05 01"),
        Choice(K::Radio, 1256, mode, "Protocol contents", {"Serial-No + Frame", "only Serial-No"},
               "40 00 00 01 06 01"),
        Number(1050, blocks, "Number", "", "41 00 01 01 00 00", 255),
        Number(1048, gap, "Gap Time", "x 5ms", "42 00 02 02 00 00", 65535),
        Number(1051, data, "Adress", "", "43 00 04 01 00 00", 255),
        Choice(K::List, 1054, data, "Datablocks", {"0", "1", "2", "3", "4"}, "43 00 05 01 00 03"),
        Choice(K::Radio, 1052, data, "", {"public", "secret"}, "43 00 05 01 07 01"),
        Number(1049, lock, "Lock Time", "x 5ms", "60 00 09 02 00 00", 65535),
    };
    p.groups = {Group(mode, 0x40, 32783, 32784, {"40 00 00 01 00 00"}),
                Group(blocks, 0x41, 32785, 32786, {"41 00 01 01 00 00"}),
                Group(gap, 0x42, 32787, 32788, {"42 00 02 02 00 00"}),
                Group(data, 0x43, 32789, 32790, {"43 00 04 01 00 00", "43 00 05 01 00 00"}),
                Group(lock, 0x60, 32791, 32792, {"60 00 09 02 00 00"})};
    p.sendCodes = {0x40, 0x41, 0x42, 0x43, 0x60};
    p.readList = {"40 00 00 01 00 00", "41 00 01 01 00 00", "42 00 02 02 00 00",
                  "43 00 04 01 00 00", "43 00 05 01 00 00", "60 00 09 02 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page2() {
    const std::string out = "[0x50] Output Interface", dc = "[0x54] Data/Clock Configuration";
    WkPageTable p;
    p.caption = "Auto Answer Interface";
    p.controls = {
        Choice(K::OneHot, 1088, out, "",
               {"Async. (RS232/485)", "Wiegand-Emulation", "Omron-Emulation", "Wiegand2-Emulation"},
               "50 00 06 01 00 01"),
        Choice(K::List, 1068, dc, "Data Format (DT-DF):",
               {"00: 8 Data, 0 Parity, MSB first", "01: 4 Data, 1 Parity, LSB first, without Frame",
                "10: 4 Data, 1 Parity, LSB first. with Frame",
                "11: 6 Data, 1 Parity, LSB first. with Frame ISO 3554"},
               "54 00 14 01 00 02"),
        Choice(K::Radio, 1063, dc, "Bitlength (DT-DR):", {"1,0 ms", "0,5 ms"}, "54 00 14 01 04 01"),
        Choice(K::Radio, 1065, dc, "Start Clock (SC):", {"0 Clocks", "16 Clocks"},
               "54 00 14 01 07 01"),
        Choice(K::Radio, 1066, dc, "EndClock (EC):", {"0 Clocks", "16 Clocks"},
               "54 00 14 01 06 01"),
    };
    p.groups = {Group(out, 0x50, 32803, 32804, {"50 00 06 01 00 00"}),
                Group(dc, 0x54, 32805, 32806, {"54 00 14 01 00 00"})};
    p.sendCodes = {0x50, 0x54};
    p.readList = {"50 00 06 01 00 00", "54 00 14 01 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page3() {
    const std::string async = "[0x51] Async Parameter", bus = "[0x53] Busaddress",
                      saveMode = "[0x67] Power Save Mode", saveTime = "[0x66] Power Save Time",
                      driver = "[0x80] Transp. Driver";
    WkPageTable p;
    p.caption = "Reader Settings";
    WkPageControl parity = Check(1070, async, "Parity", "51 00 07 01 07 01");
    parity.inverted = true;
    p.controls = {
        Choice(
            K::BaudList, 1089, async, "Baud",
            {"0x02: 1200", "0x03: 2400", "0x04: 4800", "0x05: 9600", "0x06: 19200", "0x07: 38400"},
            "51 00 07 01 00 03"),
        parity,
        Number(1090, bus, "[0x53] Busaddress", "", "53 00 08 01 00 00", 255),
        Choice(K::List, 1003, saveMode, "",
               {"0x00: inactiv", "0x01: time controled", "0x02: ext. time controled ",
                "0x03: standby"},
               "67 00 13 01 00 00"),
        Number(1091, saveTime, "tsa", "x 5 ms", "66 00 11 02 00 00", 65535),
    };
    const char* types[] = {"TTA", "TTB", "TTC", "TTD"};
    for (int bit = 0; bit < 4; ++bit) {
        p.controls.push_back(Check(1073 + bit, driver, types[bit], Bit("80 02 13 01 ", bit)));
    }
    p.buttons = {{1092, async, "[0x6B] KAL-KRD"}};
    p.groups = {Group(async, 0x51, 32807, 32818, {"51 00 07 01 00 00"}),
                Group(bus, 0x53, 32816, 32817, {"53 00 08 01 00 00"}),
                Group(saveMode, 0x67, 32812, 32813, {"67 00 13 01 00 00"}),
                Group(saveTime, 0x66, 32814, 32815, {"66 00 11 02 00 00"}),
                Group(driver, 0x80, 32810, 32811, {"80 02 12 02 00 00"})};
    p.sendCodes = {0x51, 0x53, 0x66, 0x67, 0x80};
    p.readList = {"51 00 07 01 00 00", "53 00 08 01 00 00", "66 00 11 02 00 00",
                  "67 00 13 01 00 00", "80 02 12 02 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page4() {
    const std::string input = "[0x72] Input", times = "[0x73] Quit/Alarm Time";
    WkPageTable p;
    p.caption = "Input Configuration";
    const char* rows[] = {"LED green", "LED red", "Beeper",     "Relay",
                          "Quit",      "Alarm",   "LED yellow", ""};
    for (int column = 0; column < 2; ++column) {
        for (int bit = 0; bit < 8; ++bit) {
            WkPageControl c = Check(1078 + column * 8 + bit, input, rows[bit],
                                    Bit(column == 0 ? "72 01 04 01 " : "72 01 05 01 ", bit));
            c.column = column == 0 ? "In1" : "In2";
            p.controls.push_back(std::move(c));
        }
    }
    p.controls.push_back(Number(1094, times, "tq", "x 5 ms", "73 01 06 02 00 00", 65535));
    p.controls.push_back(Number(1095, times, "ta", "x 5 ms", "73 01 08 02 00 00", 65535));
    p.groups = {Group(input, 0x72, 32819, 32820, {"72 01 04 01 00 00"}),
                Group(times, 0x73, 32821, 32822, {"73 01 06 02 00 00"})};
    p.sendCodes = {0x72, 0x73};
    p.readList = {"72 01 04 01 00 00", "72 01 05 01 00 00", "73 01 06 02 00 00",
                  "73 01 08 02 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page5() {
    const std::string output = "[0x70] Output", signal = "0x75";
    WkPageTable p;
    p.caption = "Output Configuration";
    const Items states = {"00: off", "01: on", "10: off", "11: flash"};
    const Items rates = {"00: 8 Hz", "01: 4 Hz", "10: 2 Hz", "11: 1 Hz"};
    struct Row {
        const char* label;
        int ids[4]; // idle state, active state, idle rate, active rate (bytes 0 .. 3)
    };
    const Row rows[] = {{"LED green", {1105, 1097, 1106, 1098}},
                        {"LED red", {1107, 1099, 1108, 1100}},
                        {"Buzzer", {1112, 1104, 1109, 1101}},
                        {"LED yellow", {1110, 1102, 1111, 1103}}};
    const char* columns[] = {"Idle State", "Active State", "Idle Rate", "Active Rate"};
    for (int byte : {0, 2, 1, 3}) {
        for (int row = 0; row < 4; ++row) {
            WkPageControl c = Choice(
                K::List, rows[row].ids[byte], output, rows[row].label, byte < 2 ? states : rates,
                "70 01 0" + std::to_string(byte) + " 01 0" + std::to_string(row * 2) + " 02");
            c.column = columns[byte];
            p.controls.push_back(std::move(c));
        }
    }
    const char* checks[] = {"LED green", "LED red", "Buzzer", "Relay"};
    for (int bit = 0; bit < 4; ++bit) {
        p.controls.push_back(Check(1257 + bit, signal, checks[bit], Bit("03 01 10 01 ", bit)));
    }
    WkCommandGroup automatic = Group(signal, 0x75, 32873, 32874, {"03 01 10 01 00 00"});
    automatic.sendText = "Send [0x75] Automatic Signal Reaction";
    automatic.readText = "Read [0x75] Automatic Signal Reaction";
    p.groups = {Group(output, 0x70, 32808, 32809, {"70 01 00 01 00 00"}), automatic};
    p.sendCodes = {0x70, 0x75};
    p.readList = {"70 01 00 01 00 00", "70 01 01 01 00 00", "70 01 02 01 00 00",
                  "70 01 03 01 00 00", "03 01 10 01 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page6() {
    const std::string access = "[0xA1] Reader Access", autopw = "[0xA6] Autopassword Mode";
    WkPageTable p;
    p.caption = "Password/Authentification";
    p.controls = {
        Choice(K::Radio, 1058, access, "", {"unlocked", "locked"}, "A1 02 00 01 00 01"),
        Choice(K::Radio, 1059, autopw, "", {"Standard", "Autopassword"}, "A6 02 14 01 00 00"),
    };
    p.buttons = {{1042, "", "Reader Password"},
                 {1043, "", "TTB/.C Password"},
                 {1044, "", "TTC/.D Password"}};
    p.groups = {Group(access, 0xA1, 32823, 32824, {"A1 02 00 01 00 01"}),
                Group(autopw, 0xA6, 32828, 32829, {"A6 02 14 01 00 00"})};
    p.sendCodes = {0xA6, kReaderLockCode};
    p.readList = {"A1 02 00 01 00 01", "A6 02 14 01 00 00"};
    p.readCodes = p.sendCodes;
    return p;
}

WkPageTable Page7() {
    const std::string mode = "[0xA5] Mode for Transponder";
    WkPageTable p;
    p.caption = "Transponder Settings";
    p.overTypes = true;
    WkPageControl type =
        Choice(K::TypeList, 1133, "", "Transponder Type", {"0: TTA", "1: TTB", "2: TTC", "3: TTD"},
               kTransponderTypeDescriptor);
    type.image = 11;
    p.controls.push_back(type);
    auto typed = [&](int t, int id, Items items, const char* descriptor, std::string label = {}) {
        const K kind = label.empty() ? K::Radio : K::List; // before `label` is moved from
        WkPageControl c = Choice(kind, id, mode, std::move(label), std::move(items), descriptor);
        c.type = t;
        p.controls.push_back(std::move(c));
    };
    typed(1, 1126, {"Reader use Key A / Logdata A", "Reader use Key B / Logdata B"},
          "A5 02 01 01 00 01");
    typed(1, 1137, {"ID-Number is public", "ID-Number is secret"}, "A5 02 01 01 01 01");
    typed(1, 1249, {"[0] Standard", "[1] Advanced"}, "A5 02 01 01 04 02", "Transpondermode [TM]");
    typed(2, 1128, {"Reader use Passwordmode", "Reader use Cryptomode"}, "A5 02 02 01 00 01");
    typed(2, 1132, {"Adress D0..D3 contain ID-Number", "Adress D0..D3 contain public Data"},
          "A5 02 02 01 01 01");
    typed(3, 1130, {"Login to transponder after 0x11", "No login to transponder after 0x11"},
          "A5 02 03 01 06 01");
    typed(
        3, 1135,
        {"Check of Serialnumber befor next Command", "No Check of Serialnumber befor next Command"},
        "A5 02 03 01 07 01");
    const char* names[] = {"TTB", "TTC", "TTD"};
    for (int t = 1; t <= 3; ++t) {
        const std::string clear = "A5 02 0" + std::to_string(t) + " 01 00 00";
        WkCommandGroup g = Group(mode, 0xA5, 32835 + 2 * t, 32836 + 2 * t, {clear});
        g.sendText = "Send " + mode + " " + names[t - 1];
        g.readText = "Read " + mode + " " + names[t - 1];
        g.type = t;
        p.groups.push_back(std::move(g));
        p.readList.push_back(clear);
    }
    p.sendCodes = {0xA5};
    p.readCodes = {0xA5};
    return p;
}

} // namespace

const std::vector<WkPageTable>& ReaderPageTables() {
    static const std::vector<WkPageTable> tables = {Page1(), Page2(), Page3(), Page4(),
                                                    Page5(), Page6(), Page7()};
    return tables;
}
