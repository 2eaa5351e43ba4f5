// The transponder module against kestra-sim (a KRD reader on a pty) through the real reader
// and serial-port libraries: every command with each transponder type, the simulator's own
// memory confirming what was written.

#include "FakeReaderDoc.h"
#include "OwnPortList.h"
#include "SimProcess.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditModel.h"

#include "sorn.h"
#include "velk.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

constexpr int kPort = 217;

// The simulator's "memory" lines for `count` blocks of `bytes` from block `first`.
std::string MemoryLines(int first, const unsigned char* bytes, int count) {
    std::string out;
    for (int block = 0; block < count; ++block) {
        out += "block " + std::to_string(first + block) + ":";
        for (int i = 0; i < 4; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", bytes[4 * block + i]);
            out += hex;
        }
        out += "\n";
    }
    return out + "ok";
}

class TransponderLive : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        portList_.emplace("transponder-live");
        sim_ = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--model", "KRD", "--map-port", std::to_string(kPort)});
        ASSERT_FALSE(sim_->WaitReady().empty());
        port_ = SORN_OpenPort(std::to_string(kPort).c_str());
        ASSERT_GT(port_, 0);
        // A busy machine may answer late.
        ASSERT_EQ(SORN_SetPortPara(port_, "timeout", "3000"), 0);
        handle_ = VELK_NewReader(port_);
        ASSERT_GT(handle_, 0);
    }
    static void TearDownTestSuite() {
        VELK_DeleteReader(handle_);
        SORN_ClosePort(port_);
        sim_.reset();
        portList_.reset();
    }

    void SetUp() override {
        reader_.handle = handle_;
        reader_.portText = std::to_string(kPort);
        doc_.BindToReader(&reader_);
    }

    std::string Control(const std::string& line) { return sim_->Control(line); }
    WkTransponderModul& Modul() { return doc_.Modul(); }
    unsigned char* Data(int image, int block) { return Modul().Image(image).data() + 4 * block; }
    void Param(int byte, std::uint8_t value) {
        Modul().Image(WkTransponderModul::kParamImage)[byte] = value;
    }

    static inline std::optional<simtest::OwnPortList> portList_;
    static inline std::unique_ptr<simtest::SimProcess> sim_;
    static inline int port_ = 0;
    static inline int handle_ = 0;
    FakeReaderDoc reader_;
    WkTransponderEditDoc doc_;
};

const unsigned char kPattern[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                    0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};

} // namespace

TEST_P(TransponderLive, EveryCommandReachesTheTransponder) {
    const std::string type = GetParam();
    const bool memory = type != "TTA";
    ASSERT_EQ(Control("tag " + type + " 0A0B0C0D0E"), "ok");

    ASSERT_EQ(Modul().Execute(0x11), 0);
    EXPECT_EQ(Modul().TypeName(), type);
    Modul().Params().SetBit(WkTransponderModul::kHexFlag, true);
    EXPECT_EQ(Modul().SerialNumberText(), "0A0B0C0D0E");

    // Public data: 4 blocks written at 28, then read back into a cleared image.
    using M = WkTransponderModul;
    std::copy(kPattern, kPattern + 16, Data(M::kPublicImage, 28));
    Param(1, 28);
    Param(2, 4);
    Param(3, 28);
    Param(4, 4);
    const int wrotePublic = Modul().Execute(0x14);
    std::fill_n(Data(M::kPublicImage, 28), 16, 0);
    const int readPublic = Modul().Execute(0x15);

    // Configuration data: only the block at the address is sent.
    std::copy(kPattern, kPattern + 8, Data(M::kConfigImage, 2));
    Param(5, 2);
    Param(7, 2);
    const int wroteConfig = Modul().Execute(0x16);

    // Secret data: 2 blocks at 1.
    std::copy(kPattern, kPattern + 8, Data(M::kSecretImage, 1));
    Param(9, 1);
    Param(10, 2);
    Param(11, 1);
    Param(12, 2);
    const int wroteSecret = Modul().Execute(0x18);
    std::fill_n(Data(M::kSecretImage, 1), 8, 0);
    const int readSecret = Modul().Execute(0x19);

    // ID number of 12 bits.
    Modul().IdImage().SetByte(M::kIdLength, 12);
    Modul().SetIdNumberText("ABCD");
    const int wroteId = Modul().Execute(0x12);
    Modul().IdImage().SetByte(M::kIdLength, 0);
    const int readId = Modul().Execute(0x13);

    if (!memory) {
        // The reader's status comes back, and nothing is stored.
        for (int rc :
             {wrotePublic, readPublic, wroteConfig, wroteSecret, readSecret, wroteId, readId}) {
            EXPECT_GT(rc, 0);
        }
        EXPECT_EQ(Data(M::kPublicImage, 28)[0], 0);
        EXPECT_EQ(Data(M::kSecretImage, 1)[0], 0);
        EXPECT_EQ(Modul().IdNumberText(), "");
        EXPECT_EQ(Control("memory public 28 4"), "error: the public memory has 0 blocks");
        EXPECT_GT(Modul().Execute(0x1C), 0);
        EXPECT_EQ(Modul().TypeName(), type);
    } else {
        EXPECT_EQ(wrotePublic, 0);
        EXPECT_EQ(Control("memory public 28 4"), MemoryLines(28, kPattern, 4));
        EXPECT_EQ(readPublic, 0);
        EXPECT_TRUE(std::equal(kPattern, kPattern + 16, Data(M::kPublicImage, 28)));

        EXPECT_EQ(wroteConfig, 0);
        const unsigned char zero[4] = {};
        EXPECT_EQ(Control("memory config 2 2"),
                  MemoryLines(2, kPattern, 1).substr(0, 21) + MemoryLines(3, zero, 1));
        Modul().SerialImage().SetByte(M::kType, 255);
        std::fill_n(Data(M::kConfigImage, 2), 8, 0);
        EXPECT_EQ(Modul().Execute(0x17), 0);
        EXPECT_TRUE(std::equal(kPattern, kPattern + 4, Data(M::kConfigImage, 2)));
        EXPECT_EQ(Data(M::kConfigImage, 3)[0], 0);
        EXPECT_EQ(Modul().TypeName(), type);

        EXPECT_EQ(wroteSecret, 0);
        EXPECT_EQ(Control("memory secret 1 2"), MemoryLines(1, kPattern, 2));
        EXPECT_EQ(readSecret, 0);
        EXPECT_TRUE(std::equal(kPattern, kPattern + 8, Data(M::kSecretImage, 1)));

        EXPECT_EQ(wroteId, 0);
        EXPECT_EQ(Control("memory id"), "id 12: AB C0\nok");
        EXPECT_EQ(readId, 0);
        EXPECT_EQ(Modul().IdNumberText(), "ABC0");

        // Password select with the transponder's password 00 00 00 00, then a wrong one.
        Modul().SerialImage().SetByte(M::kType, 255);
        EXPECT_EQ(Modul().Execute(0x1C), 0);
        EXPECT_EQ(Modul().TypeName(), type);
        Modul().Params().SetByte(M::kPasswordBytes[2], 0x55);
        Modul().SerialImage().SetByte(M::kType, 255);
        EXPECT_GT(Modul().Execute(0x1C), 0);
        EXPECT_EQ(Modul().TypeName(), "     -----");
    }

    // 0xAA: only TTD knows the crypto commands.
    Param(13, 0x40);
    EXPECT_EQ(Modul().Execute(0xAA) == 0, type == "TTD");

    // Halt: the transponder stays silent afterwards, and a failed read stores nothing.
    EXPECT_EQ(Modul().Execute(0x1A), 0);
    Modul().SerialImage().SetByte(M::kType, 255);
    EXPECT_GT(Modul().Execute(0x11), 0);
    EXPECT_EQ(Modul().TypeName(), "     -----");
    EXPECT_EQ(Modul().SerialNumberText(), "0A0B0C0D0E");
}

INSTANTIATE_TEST_SUITE_P(EachType, TransponderLive, ::testing::Values("TTA", "TTB", "TTC", "TTD"));

TEST_F(TransponderLive, FourPublicBlocksAtAddress99FillBytes396To411) {
    ASSERT_EQ(Control("tag TTD 0102030405"), "ok");
    using M = WkTransponderModul;
    std::copy(kPattern, kPattern + 16, Data(M::kPublicImage, 99));
    Param(1, 99);
    Param(2, 4);
    ASSERT_EQ(Modul().Execute(0x14), 0);
    auto& image = Modul().Image(M::kPublicImage);
    std::fill(image.begin(), image.end(), 0xEE);
    Param(3, 99);
    Param(4, 4);
    ASSERT_EQ(Modul().Execute(0x15), 0);
    EXPECT_TRUE(std::equal(kPattern, kPattern + 16, image.begin() + 396));
    EXPECT_EQ(image[395], 0xEE);
    EXPECT_EQ(image[412], 0xEE);
    EXPECT_TRUE(doc_.IsModified());
}

TEST_F(TransponderLive, ReaderWithoutPortOrBlocksOutsideTheImageSendNothing) {
    ASSERT_EQ(Control("tag TTD 0102030405"), "ok");
    Param(3, 127);
    Param(4, 4);
    EXPECT_EQ(Modul().Execute(0x15), WkTransponderModul::kNotHandled);
    Param(4, 0);
    EXPECT_EQ(Modul().Execute(0x15), WkTransponderModul::kNotHandled);
    EXPECT_EQ(Modul().Execute(0x55), 0);

    const int portless = VELK_NewReader(0);
    reader_.handle = portless;
    EXPECT_EQ(Modul().Execute(0x11), WkTransponderModul::kNoPort);
    VELK_DeleteReader(portless);
}

TEST_F(TransponderLive, EditorReadsAChangedTagWritesReadsBackAndSaves) {
    WkTransponderEditModel model(doc_);
    doc_.OnReaderParameter("COMNR", std::to_string(kPort));
    model.InitialUpdate();
    EXPECT_TRUE(model.GetPage().actionEnabled);
    ASSERT_EQ(Control("tag TTD 0102030405"), "ok");
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().typeText, "TTD");
    EXPECT_EQ(model.GetFields().serialText, "4328719365");
    ASSERT_EQ(Control("tag TTB 0A0B0C0D0E"), "ok");
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().typeText, "TTB");

    ASSERT_TRUE(model.SelectCommand(3)); // write public data
    model.TypedAddress("2");
    model.GetFields().blocks = 3;
    for (int i = 0; i < 16; ++i) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", kPattern[i]);
        ASSERT_TRUE(model.EditedData(i, text));
    }
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(Control("memory public 2 4"), MemoryLines(2, kPattern, 4));

    ASSERT_TRUE(model.SelectCommand(4)); // read public data
    model.TypedAddress("2");
    model.GetFields().blocks = 3;
    std::fill_n(Data(WkTransponderModul::kPublicImage, 2), 16, 0);
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().data[15], "0F");

    const std::string path = (portList_->Dir() / "tag.trp").string();
    ASSERT_TRUE(doc_.Save(path));
    WkTransponderEditDoc loaded;
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_TRUE(std::equal(kPattern, kPattern + 16,
                           loaded.Modul().Image(WkTransponderModul::kPublicImage).begin() + 8));
    EXPECT_EQ(loaded.Modul().TypeName(), "TTB");
}

// A new document as the editor shows it: the boxes' "1" block and "01: Read ZiduzeDavi" are
// what goes out, and looking at the commands changes nothing.
TEST_F(TransponderLive, ANewDocumentSendsWhatItsBoxesShow) {
    ASSERT_EQ(Control("tag TTD 0102030405"), "ok");
    using M = WkTransponderModul;
    WkTransponderEditModel model(doc_);
    doc_.OnReaderParameter("COMNR", std::to_string(kPort));
    model.InitialUpdate();
    ASSERT_TRUE(model.SelectCommand(3)); // [0x14] Write public Data
    EXPECT_EQ(model.GetFields().blocks, 0);
    for (int i = 0; i < 8; ++i) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", kPattern[i]);
        ASSERT_TRUE(model.EditedData(i, text));
    }
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().outcome, "[0x14] Write public Data: OK");
    const unsigned char zero[4] = {};
    EXPECT_EQ(Control("memory public 0 2"),
              MemoryLines(0, kPattern, 1).substr(0, 21) + MemoryLines(1, zero, 1));

    ASSERT_TRUE(model.SelectCommand(4)); // [0x15] Read public Data
    std::fill_n(Data(M::kPublicImage, 0), 8, 0xEE);
    model.Show();
    ASSERT_EQ(model.ExecuteSelected(), 0);
    EXPECT_TRUE(std::equal(kPattern, kPattern + 4, Data(M::kPublicImage, 0)));
    EXPECT_EQ(Data(M::kPublicImage, 1)[0], 0xEE);

    ASSERT_TRUE(model.SelectCommand(13)); // [0xAA] Process ZiduzeDavi
    doc_.SetModifiedFlag(false);
    EXPECT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(Modul().Image(M::kParamImage)[13], 0x01);
    EXPECT_FALSE(doc_.IsModified());

    // A command that cannot go out says why.
    reader_.handle = 0;
    EXPECT_EQ(model.ExecuteSelected(), M::kNoReaderHandle);
    EXPECT_EQ(model.GetFields().outcome,
              "[0xAA] Process ZiduzeDavi: no reader object (ErrorCode: -1)");
}

// A read the transponder refuses (a TTD has 64 secret blocks) leaves its rows showing nothing
// rather than the bytes the document happens to hold, and the editor says why; a read that
// succeeds shows its blocks again.
TEST_F(TransponderLive, AFailedReadLeavesItsRowsNotRead) {
    ASSERT_EQ(Control("tag TTD 0102030405"), "ok");
    WkTransponderEditModel model(doc_);
    doc_.OnReaderParameter("COMNR", std::to_string(kPort));
    model.InitialUpdate();
    ASSERT_TRUE(model.SelectCommand(8)); // [0x19] Read secret Data
    model.TypedAddress("62");
    model.GetFields().blocks = 3; // 4 blocks: 62 .. 65
    EXPECT_GT(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().outcome,
              "[0x19] Read secret Data: Transponder: Address Error (Statusbyte: 0x04)");
    const auto& fields = model.GetFields();
    EXPECT_EQ(model.GetPage().rowLabels[0], "S62");
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_TRUE(fields.unread[i]) << i;
        EXPECT_EQ(fields.data[i], "") << i;
    }

    model.TypedAddress("60");
    model.GetFields().blocks = 1;
    EXPECT_EQ(model.ExecuteSelected(), 0);
    EXPECT_EQ(model.GetFields().outcome, "[0x19] Read secret Data: OK");
    EXPECT_EQ(fields.data[0], "00"); // block 60, read
    EXPECT_FALSE(fields.unread[0]);
    EXPECT_TRUE(fields.unread[8]); // block 62, still not read
}
