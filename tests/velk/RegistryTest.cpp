// Reader registry, parameters, argument-check order and the two last-error records.
#include "VelkTestSupport.h"

#include <cstring>
#include <string>

namespace {

using RegistryTest = VelkTest;

TEST_F(RegistryTest, HandlesRiseByOneAndANegativePortUsesOneUp) {
    const int first = NewReader();
    EXPECT_EQ(VELK_NewReader(-1), -2024);
    EXPECT_EQ(LibraryError(), 0);
    EXPECT_EQ(VELK_NewReader(3), first + 2);
}

TEST_F(RegistryTest, OldSerialPortLibraryIsRefusedWithoutUsingAHandle) {
    const int first = NewReader();
    fakesorn::SetVersion("01.09.00");
    EXPECT_EQ(VELK_NewReader(1), -2007);
    fakesorn::SetVersion("xx");
    EXPECT_EQ(VELK_NewReader(1), -2007);
    fakesorn::SetVersion("02.00.00");
    EXPECT_EQ(VELK_NewReader(1), first + 1);

    fakesorn::SetVersion("01.00.00");
    EXPECT_EQ(VELK_SetReaderPara(first, "PORTHND", "9"), -2007);
    EXPECT_EQ(Para(first, "PORTHND"), "7");
    EXPECT_EQ(ReaderError(first), 0); // the version failure is not stored
}

TEST_F(RegistryTest, ListWalkAndItsErrors) {
    EXPECT_EQ(VELK_GetReaderList(0), -2001);
    EXPECT_EQ(LibraryError(), -2001);
    EXPECT_EQ(VELK_GetReaderList(5), -2023);

    const int a = NewReader();
    const int b = NewReader();
    const int c = NewReader();
    const int d = NewReader();
    ASSERT_EQ(VELK_DeleteReader(b), 0);
    EXPECT_EQ(VELK_GetReaderList(0), a);
    EXPECT_EQ(VELK_GetReaderList(a), c);
    EXPECT_EQ(LibraryError(), 0);
    EXPECT_EQ(VELK_GetReaderList(c), d);
    EXPECT_EQ(VELK_GetReaderList(d), 0);
    EXPECT_EQ(VELK_GetReaderList(b), -2023);
    EXPECT_EQ(VELK_GetReaderList(-3), -2022);
}

TEST_F(RegistryTest, DeleteChecksInOrder) {
    EXPECT_EQ(VELK_DeleteReader(-1), -2022);
    EXPECT_EQ(VELK_DeleteReader(0), -2021);
    EXPECT_EQ(VELK_DeleteReader(4), -2001);
    const int a = NewReader();
    EXPECT_EQ(VELK_DeleteReader(a + 100), -2023);
    EXPECT_EQ(LibraryError(), -2023);
    EXPECT_EQ(VELK_DeleteReader(a), 0);
    EXPECT_EQ(VELK_DeleteReader(a), -2001);
}

TEST_F(RegistryTest, CommandChecksPointersFirstThenHandleAndStoresInTheLibrary) {
    unsigned char type = 0;
    char serial[16] = {};
    // The pointer check comes before the handle check.
    EXPECT_EQ(VELK_0x11_GetSerNr(-1, 0, nullptr, serial, 0), -2002);
    EXPECT_EQ(LibraryError(), -2002);
    EXPECT_EQ(VELK_0x11_GetSerNr(-1, 0, &type, serial, 0), -2022);
    EXPECT_EQ(VELK_0x11_GetSerNr(0, 0, &type, serial, 0), -2021);
    int code = 0;
    char text[128] = {};
    EXPECT_EQ(VELK_GetLastError(0, &code, text), 0);
    EXPECT_EQ(code, -2021);
    EXPECT_STREQ(text, "VELK: reader handle is zero");
    EXPECT_EQ(VELK_0x11_GetSerNr(9, 0, &type, serial, 0), -2001);

    const int reader = NewReader();
    fakesorn::QueueTransceiveResult(-1030);
    EXPECT_EQ(VELK_0x11_GetSerNr(reader, 0, &type, serial, 0), -1030);
    EXPECT_EQ(VELK_0x11_GetSerNr(reader + 1, 0, &type, serial, 0), -2023);
    EXPECT_EQ(LibraryError(), -2023);
    // A failed check leaves the reader's own record alone.
    EXPECT_EQ(ReaderError(reader), -1030);
}

TEST_F(RegistryTest, KeysIgnoreCaseAndDefaultsAreOff) {
    const int reader = NewReader(12);
    EXPECT_EQ(Para(reader, "porthnd"), "12");
    for (const char* key : {"LOGPROT", "SENDPROTTOAPP", "CHKRECBUSADR", "CONVHEXTOSTRING"})
        EXPECT_EQ(Para(reader, key), "0") << key;
    EXPECT_EQ(Para(reader, "RepCnt"), "0");
    EXPECT_EQ(Para(reader, "SENDSTR"), "");
    EXPECT_EQ(Para(reader, "ERRCODE"), "0");

    for (const char* key : {"logprot", "LogProt", "LOGPROT"}) {
        ASSERT_EQ(VELK_SetReaderPara(reader, key, "1"), 0);
        EXPECT_EQ(Para(reader, "LOGPROT"), "1");
        ASSERT_EQ(VELK_SetReaderPara(reader, key, "2"), 0);
        EXPECT_EQ(Para(reader, "LOGPROT"), "0");
    }
    EXPECT_EQ(VELK_SetReaderPara(reader, "PortHnd", "0"), 0);
    EXPECT_EQ(Para(reader, "PORTHND"), "0");
}

TEST_F(RegistryTest, RangesAndReadOnlyKeysGoToTheReadersLastError) {
    const int reader = NewReader();
    EXPECT_EQ(VELK_SetReaderPara(reader, "REPCNT", "0"), 0);
    EXPECT_EQ(VELK_SetReaderPara(reader, "REPCNT", "99"), 0);
    EXPECT_EQ(Para(reader, "REPCNT"), "99");
    for (const char* bad : {"100", "-1", "", "5x"}) {
        EXPECT_EQ(VELK_SetReaderPara(reader, "REPCNT", bad), -2051) << bad;
        EXPECT_EQ(ReaderError(reader), -2051);
    }
    EXPECT_EQ(Para(reader, "REPCNT"), "99");
    EXPECT_EQ(VELK_SetReaderPara(reader, "PORTHND", "-4"), -2051);

    for (const char* readOnly : {"SENDSTR", "RECSTR", "ERRCODE", "ERRSTR", "ISPROTTOAPPLOCKED"}) {
        EXPECT_EQ(VELK_SetReaderPara(reader, readOnly, "1"), -2050) << readOnly;
    }
    char value[64];
    EXPECT_EQ(VELK_GetReaderPara(reader, "NOSUCHKEY", value), -2050);
    EXPECT_EQ(ReaderError(reader), -2050);
    EXPECT_EQ(LibraryError(), 0);
    EXPECT_EQ(Para(reader, "ERRCODE"), "-2050");
    EXPECT_EQ(Para(reader, "ERRSTR"), "VELK: unknown parameter");
}

TEST_F(RegistryTest, KeyChecksComeBeforeTheHandle) {
    char value[64];
    const std::string longKey(128, 'K');
    EXPECT_EQ(VELK_GetReaderPara(-5, longKey.c_str(), value), -2051);
    EXPECT_EQ(LibraryError(), -2051);
    EXPECT_EQ(VELK_SetReaderPara(-5, longKey.substr(1).c_str(), "1"), -2022);
    EXPECT_EQ(VELK_GetReaderPara(-5, nullptr, value), -2002);
    EXPECT_EQ(VELK_SetReaderPara(-5, "LOGPROT", nullptr), -2002);

    // The all-reader keys ignore the handle.
    std::strcpy(value, "untouched");
    EXPECT_EQ(VELK_GetReaderPara(-5, "isprottoapplocked", value), 1);
    EXPECT_STREQ(value, "untouched");
    EXPECT_EQ(VELK_SetReaderPara(-5, "LOCKPROTTOAPP", "whatever"), 0);
    EXPECT_EQ(VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", ""), 0);
}

TEST_F(RegistryTest, ErrstrOfACodeWithoutTextFails) {
    const int reader = NewReader();
    char value[128];
    // A reader whose last operation succeeded holds 0, which has no text.
    EXPECT_EQ(VELK_GetReaderPara(reader, "ERRSTR", value), -2053);
    EXPECT_STREQ(value, "VELK: Unknown Errorcode (0)");
    EXPECT_EQ(ReaderError(reader), -2053);
    // VELK_GetLastError with the handle agrees.
    const int other = NewReader();
    int code = 1;
    EXPECT_EQ(VELK_GetLastError(other, &code, value), -2053);
    EXPECT_EQ(code, 0);
    EXPECT_STREQ(value, "VELK: Unknown Errorcode (0)");
    EXPECT_EQ(Para(other, "ERRCODE"), "-2053");
}

TEST_F(RegistryTest, LastProtocolsStateAndVersion) {
    const int reader = NewReader();
    char prot[1024] = "x";
    EXPECT_EQ(VELK_GetLastSendProt(reader, prot, 1), 0);
    EXPECT_STREQ(prot, "");
    EXPECT_EQ(VELK_GetLastSendProt(reader, nullptr, 1), -2002);

    fakesorn::QueueAnswer({0x06, 0x00, 0x74, 0x13, 0x5A, 0x3B});
    unsigned char inputs = 0;
    ASSERT_EQ(VELK_0x74_ReadInp(reader, 0, &inputs), 0x13);
    EXPECT_EQ(VELK_GetLastSendProt(reader, prot, 1), 4);
    EXPECT_STREQ(prot, "04007470");
    EXPECT_EQ(VELK_GetLastRecProt(reader, prot, 1), 6);
    EXPECT_STREQ(prot, "060074135A3B");
    std::memset(prot, 0x55, 16);
    EXPECT_EQ(VELK_GetLastRecProt(reader, prot, 0), 6);
    EXPECT_EQ(std::memcmp(prot, "\x06\x00\x74\x13\x5A\x3B\x55", 7), 0);

    char status[128];
    EXPECT_EQ(VELK_GetLastState(reader, status), 0x13);
    EXPECT_STREQ(status, "Reader: Login Request");
    EXPECT_EQ(ReaderError(reader), 0);

    fakesorn::QueueAnswer({0x05, 0x00, 0x74, 0x09, 0x78});
    ASSERT_EQ(VELK_0x74_ReadInp(reader, 0, &inputs), 0x09);
    EXPECT_EQ(LibraryError(), -2033); // the receive line looked the unknown status up
    EXPECT_EQ(VELK_GetLastState(reader, status), 0x09);
    EXPECT_STREQ(status, "VELK: Unknown Status Byte (0x09)");
    EXPECT_EQ(ReaderError(reader), -2033);

    char version[16] = {};
    VELK_GetDLLVersion(version);
    EXPECT_STREQ(version, "02.03.00");
    VELK_GetDLLVersion(nullptr);
    EXPECT_EQ(LibraryError(), -2002);
}

TEST_F(RegistryTest, TextsAndTheirFallbacks) {
    char text[128];
    EXPECT_EQ(VELK_GetStatusText(0x100, text), 0);
    EXPECT_STREQ(text, "OK");
    EXPECT_EQ(VELK_GetStatusText(0x69, text), 0);
    EXPECT_STREQ(text, "Reader: Password Error: 9. Password");
    EXPECT_EQ(VELK_GetStatusText(0x83, text), 0);
    EXPECT_STREQ(text, "Reader: RF-Communication Error");
    EXPECT_EQ(VELK_GetStatusText(0x09, text), -2033);
    EXPECT_STREQ(text, "VELK: Unknown Status Byte (0x09)");
    EXPECT_EQ(LibraryError(), -2033);

    EXPECT_EQ(VELK_GetErrorText(-2007, text), 0);
    EXPECT_STREQ(text, "VELK: old version of SORN.DLL detectet");
    EXPECT_EQ(VELK_GetErrorText(-2053, text), 0);
    EXPECT_STREQ(text, "VELK: unknown error code");
    for (int code : {-2004, -1005, 0}) {
        EXPECT_EQ(VELK_GetErrorText(code, text), -2053);
        EXPECT_EQ(std::string(text), "VELK: Unknown Errorcode (" + std::to_string(code) + ")");
    }
    EXPECT_EQ(VELK_GetErrorText(-2001, nullptr), -2002);
    EXPECT_EQ(VELK_GetStatusText(0, nullptr), -2002);
}

} // namespace
