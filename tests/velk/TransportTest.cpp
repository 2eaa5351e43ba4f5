// Raw transport, the two process-wide callbacks, event handlers with their channels, the
// hand-over lock, and a real receiver for each platform delivery method.
#include "VelkTestSupport.h"
#include "platform.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

// ---- a method-3 receiver per event value ----------------------------------------------------

struct Received {
    std::mutex mutex;
    std::vector<HandedLine> lines;
    void Add(const char* text, int code) {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back({text, code});
    }
    std::vector<HandedLine> Take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(lines, {});
    }
};
Received gEvent1, gEvent2, gEvent3, gEvent102, gOtherSendProt;
void OnEvent1(const char* t, int c) {
    gEvent1.Add(t, c);
}
void OnEvent2(const char* t, int c) {
    gEvent2.Add(t, c);
}
void OnEvent3(const char* t, int c) {
    gEvent3.Add(t, c);
}
void OnEvent102(const char* t, int c) {
    gEvent102.Add(t, c);
}
void OnOtherSendProt(const char* t, int c) {
    gOtherSendProt.Add(t, c);
}

VELK_EVENT_HANDLER Function(int event, void (*f)(const char*, int)) {
    return {event, 0, 3, reinterpret_cast<intptr_t>(f)};
}

class TransportTest : public VelkTest {
protected:
    void SetUp() override {
        VelkTest::SetUp();
        for (Received* r : {&gEvent1, &gEvent2, &gEvent3, &gEvent102, &gOtherSendProt})
            r->Take();
    }
    /// One OK exchange of 0x65 and one that times out.
    void OkThenTimeout(int h) {
        char version[64];
        fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
        ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
        fakesorn::QueueTransceiveResult(-1030);
        ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), -1030);
    }
};

std::vector<std::string> Stripped(const std::vector<HandedLine>& lines) {
    std::vector<std::string> out;
    for (const HandedLine& l : lines)
        out.push_back(WithoutStamp(l.text) + " #" + std::to_string(l.code));
    return out;
}

TEST_F(TransportTest, SendTransparentAppendsTheChecksumAndReturnsTheRawResult) {
    const int h = NewReader();
    unsigned char request[8] = {0x04, 0x00, 0x65};
    unsigned char answer[64];
    std::memset(answer, 0xEE, sizeof answer);
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x99}); // malformed: bad checksum
    EXPECT_EQ(VELK_SendTransparent(h, request, 3, answer, sizeof answer, 1), 5);
    EXPECT_EQ(request[3], 0x61);
    EXPECT_EQ(fakesorn::Transceived().back().bytes, (Bytes{0x04, 0x00, 0x65, 0x61}));
    EXPECT_EQ(WithoutStamp(Para(h, "RECSTR")), "  <<  05 00 65 00 99   OK");
    EXPECT_EQ(ReaderError(h), 0);

    // Any other checksum flag sends the bytes as they are.
    fakesorn::QueueTransceiveResult(-1030);
    std::memset(answer, 0xEE, sizeof answer);
    EXPECT_EQ(VELK_SendTransparent(h, request, 2, answer, sizeof answer, 2), -1030);
    EXPECT_EQ(fakesorn::Transceived().back().bytes, (Bytes{0x04, 0x00}));
    EXPECT_EQ(answer[0], 0);
    EXPECT_EQ(answer[1], 0);
    EXPECT_EQ(ReaderError(h), 0);
    EXPECT_EQ(VELK_SendTransparent(h, request, -1, answer, sizeof answer, 0), -2051);
    EXPECT_EQ(VELK_SendTransparent(h, request, 3, nullptr, 0, 0), -2002);
}

TEST_F(TransportTest, PartialAnswerLengthNeverReachesPastTheBuffer) {
    const int h = NewReader();
    unsigned char request[8] = {0x04, 0x00, 0x65};
    unsigned char answer[4];
    // The serial-port library leaves a LEN byte of 200 in a 4-byte buffer.
    fakesorn::QueueTransceiveResult(-1033, {200, 0x00, 0x65, 0x00});
    EXPECT_EQ(VELK_SendTransparent(h, request, 3, answer, sizeof answer, 1), -1033);
    char prot[1024];
    EXPECT_EQ(VELK_GetLastRecProt(h, prot, 1), 200); // the LEN byte as recorded
    EXPECT_EQ(std::string(prot, 8), "C8006500");
}

TEST_F(TransportTest, TransmitAndReceive) {
    const int h = NewReader();
    unsigned char data[8] = {0x05, 0x01, 0x40, 0x02};
    fakesorn::SetTransmitResult(5);
    EXPECT_EQ(VELK_Transmit(h, data, 4, 1), 5);
    EXPECT_EQ(fakesorn::Transmitted().back().bytes, (Bytes{0x05, 0x01, 0x40, 0x02, 0x46}));
    EXPECT_EQ(WithoutStamp(Para(h, "SENDSTR")), "  >>  05 01 40 02 46 ");

    unsigned char buffer[1024];
    fakesorn::QueueReceive({0x05, 0x01, 0x40, 0x00, 0x44});
    EXPECT_EQ(VELK_Receive(h, buffer, sizeof buffer), 5);
    EXPECT_EQ(WithoutStamp(Para(h, "RECSTR")), "  <<  05 01 40 00 44   OK");
    fakesorn::QueueReceiveResult(-1030);
    EXPECT_EQ(VELK_Receive(h, buffer, sizeof buffer), -1030);
    EXPECT_EQ(WithoutStamp(Para(h, "RECSTR")), "  <<  Error: -1030  " + fakesorn::ErrorText(-1030));
    EXPECT_EQ(ReaderError(h), 0);
    EXPECT_EQ(VELK_Receive(h, nullptr, 4), -2002);
}

TEST_F(TransportTest, HandlersGetTheChannelsTheirEventSelects) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "LOGPROT", "1"), 0);
    for (auto [event, f] : {std::pair{1, &OnEvent1}, {2, &OnEvent2}, {3, &OnEvent3}}) {
        const VELK_EVENT_HANDLER handler = Function(event, f);
        ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
        EXPECT_EQ(VELK_AddEventHandler(h, &handler), 0); // a duplicate is not added
    }
    OkThenTimeout(h);
    const std::string send = "  >>  04 00 65 61  #0";
    const std::string receive = "  <<  05 00 65 00 60   OK #0";
    const std::string error = "  !!  Error-1030  " + fakesorn::ErrorText(-1030) + " #-1030";
    using V = std::vector<std::string>;
    EXPECT_EQ(Stripped(gEvent1.Take()), (V{send, receive, send, error}));
    EXPECT_EQ(Stripped(gEvent2.Take()), (V{send, send, error}));
    EXPECT_EQ(Stripped(gEvent3.Take()), (V{receive, error}));

    const VELK_EVENT_HANDLER handler = Function(2, &OnEvent2);
    EXPECT_EQ(VELK_DelEventHandler(h, &handler), 0);
    EXPECT_EQ(VELK_DelEventHandler(h, &handler), -2050);
    EXPECT_EQ(ReaderError(h), -2050);
    VELK_EVENT_HANDLER badMethod = Function(1, &OnEvent1);
    badMethod.method = 6;
    EXPECT_EQ(VELK_AddEventHandler(h, &badMethod), -2050);
    EXPECT_EQ(VELK_AddEventHandler(h, nullptr), -2002);
    EXPECT_EQ(VELK_DelEventHandler(-1, nullptr), -2002);
}

TEST_F(TransportTest, HexRequestsGoToTheSendProtocolCallbackOrElseChannel102) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "SendProtToApp", "1"), 0);
    const VELK_EVENT_HANDLER handler = Function(102, &OnEvent102);
    ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
    OkThenTimeout(h);
    using V = std::vector<std::string>;
    auto texts = [](const std::vector<HandedLine>& lines) {
        V out;
        for (const auto& l : lines)
            out.push_back(l.text + " #" + std::to_string(l.code));
        return out;
    };
    EXPECT_EQ(texts(gEvent102.Take()), (V{"04 00 65 61  #0", "04 00 65 61  #0"}));

    VELK_SetCbPtr("sendprottoapp", &OnOtherSendProt);
    VELK_SetCbPtr("LOGPROT", &VelkTest::RecordSendProt); // another key is ignored
    OkThenTimeout(h);
    EXPECT_TRUE(gEvent102.Take().empty());
    EXPECT_EQ(texts(gOtherSendProt.Take()), (V{"04 00 65 61  #0", "04 00 65 61  #0"}));
    EXPECT_TRUE(SendProtLines().empty());
    // LOGPROT is off: the protocol callback saw nothing.
    EXPECT_TRUE(Lines().empty());
}

// Inside a hand-over, ISPROTTOAPPLOCKED reports the reader as busy.
std::atomic<int> gLockedDuringHandOver{-1};
void ProbeLock(const char*, int) {
    char value[8];
    gLockedDuringHandOver = VELK_GetReaderPara(-1, "ISPROTTOAPPLOCKED", value);
}

TEST_F(TransportTest, TheLockSuspendsEveryHandOverWhileCommandsGoOn) {
    const int h = NewReader();
    LogTo(h);
    ASSERT_EQ(VELK_SetReaderPara(h, "SENDPROTTOAPP", "1"), 0);
    const VELK_EVENT_HANDLER all = Function(1, &OnEvent1);
    const VELK_EVENT_HANDLER hex = Function(102, &OnEvent102);
    ASSERT_EQ(VELK_AddEventHandler(h, &all), 0);
    ASSERT_EQ(VELK_AddEventHandler(h, &hex), 0);

    ASSERT_EQ(VELK_SetReaderPara(0, "LOCKPROTTOAPP", ""), 0);
    char value[8];
    EXPECT_EQ(VELK_GetReaderPara(h, "ISPROTTOAPPLOCKED", value), 1);
    OkThenTimeout(h);
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(gEvent1.Take().empty());
    EXPECT_TRUE(gEvent102.Take().empty());
    EXPECT_EQ(WithoutStamp(Para(h, "RECSTR")), "  <<  05 00 65 00 60   OK");

    ASSERT_EQ(VELK_SetReaderPara(0, "UNLOCKPROTTOAPP", ""), 0);
    OkThenTimeout(h);
    EXPECT_EQ(Lines().size(), 4u);
    EXPECT_EQ(gEvent1.Take().size(), 4u);

    VELK_SetCbPtr_ProtStr(&ProbeLock);
    OkThenTimeout(h);
    EXPECT_EQ(gLockedDuringHandOver.load(), 0);
    EXPECT_EQ(VELK_GetReaderPara(h, "ISPROTTOAPPLOCKED", value), 1);
}

// ---- the platform delivery methods with real receivers --------------------------------------

TEST_F(TransportTest, Method1PostsToAThreadQueueWithMessage1029ForZero) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "LOGPROT", "1"), 0);
    std::atomic<PLAT_THREADID> receiverId{0};
    std::atomic<bool> handlerAdded{false};
    PLAT_MSG got{};
    std::string text;
    std::thread receiver([&] {
        receiverId = PLAT_GetCurrentThreadId();
        while (!handlerAdded)
            std::this_thread::sleep_for(1ms);
        if (PLAT_GetMessage(&got, 3000) == 1)
            text = reinterpret_cast<const char*>(got.wParam);
    });
    while (receiverId == 0)
        std::this_thread::sleep_for(1ms);
    const VELK_EVENT_HANDLER handler{2, 0, 1, static_cast<intptr_t>(receiverId.load())};
    ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
    handlerAdded = true;
    fakesorn::QueueTransceiveResult(-1030);
    char version[64];
    ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), -1030);
    receiver.join();
    EXPECT_EQ(got.message, 1029u);
    EXPECT_EQ(got.lParam, 0); // the send line comes first, with code 0
    EXPECT_EQ(text, Para(h, "SENDSTR"));
}

struct WindowInbox {
    std::string text;
    intptr_t code = 0;
    uint32_t message = 0;
    std::thread::id thread;
};

intptr_t WindowProc(PLAT_HWND, uint32_t message, uintptr_t wParam, intptr_t lParam, void* context) {
    auto* inbox = static_cast<WindowInbox*>(context);
    inbox->text = reinterpret_cast<const char*>(wParam);
    inbox->code = lParam;
    inbox->message = message;
    inbox->thread = std::this_thread::get_id();
    return 1;
}

TEST_F(TransportTest, Method2SendsToAWindowTargetOnItsOwnThreadAndWaits) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "LOGPROT", "1"), 0);
    WindowInbox inbox;
    std::atomic<PLAT_HWND> window{0};
    std::atomic<bool> done{false};
    std::thread::id ownerThread;
    std::thread owner([&] {
        ownerThread = std::this_thread::get_id();
        window = PLAT_CreateWindowTarget(&WindowProc, &inbox);
        PLAT_MSG msg;
        while (!done)
            PLAT_GetMessage(&msg, 10);
        PLAT_DestroyWindowTarget(window);
    });
    while (window == 0)
        std::this_thread::sleep_for(1ms);
    const VELK_EVENT_HANDLER handler{3, 0x405, 2, window.load()};
    ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    char version[64];
    ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    // The send waited: the receive line is already there when the command returns.
    EXPECT_EQ(inbox.text, Para(h, "RECSTR"));
    EXPECT_EQ(inbox.message, 0x405u);
    EXPECT_EQ(inbox.code, 0);
    done = true;
    owner.join();
    EXPECT_EQ(inbox.thread, ownerThread);
}

TEST_F(TransportTest, Method4SetsAnEventObject) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "LOGPROT", "1"), 0);
    const PLAT_HANDLE event = PLAT_CreateEvent(0, 0);
    ASSERT_NE(event, 0);
    std::atomic<uint32_t> waited{PLAT_WAIT_FAILED};
    std::thread waiter([&] { waited = PLAT_WaitForSingleObject(event, 3000); });
    const VELK_EVENT_HANDLER handler{3, 0, 4, event};
    ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    char version[64];
    ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    waiter.join();
    EXPECT_EQ(waited.load(), PLAT_WAIT_OBJECT_0);
    PLAT_CloseHandle(event);
}

std::mutex gWideMutex;
std::vector<std::pair<std::string, int>> gWide;
void OnWide(wchar_t* text, int length, int code) {
    std::string narrow;
    for (uint32_t i = 0; i < PLAT_SysStringLen(text); ++i)
        narrow.push_back(static_cast<char>(text[i]));
    {
        std::lock_guard<std::mutex> lock(gWideMutex);
        gWide.emplace_back(narrow, length);
    }
    (void)code;
    PLAT_SysFreeString(text); // the receiver owns it
}

TEST_F(TransportTest, Method5HandsAWideSystemStringThatTheReceiverFrees) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "LOGPROT", "1"), 0);
    const VELK_EVENT_HANDLER handler{2, 0, 5, reinterpret_cast<intptr_t>(&OnWide)};
    ASSERT_EQ(VELK_AddEventHandler(h, &handler), 0);
    const VELK_EVENT_HANDLER none{2, 0, 5, 0};
    ASSERT_EQ(VELK_AddEventHandler(h, &none), 0); // a null target is skipped on delivery
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    char version[64];
    ASSERT_EQ(VELK_0x65_SoftVersion(h, 0, version, 1), 0);
    std::lock_guard<std::mutex> lock(gWideMutex);
    ASSERT_EQ(gWide.size(), 1u);
    EXPECT_EQ(gWide[0].first, Para(h, "SENDSTR"));
    EXPECT_EQ(gWide[0].second, static_cast<int>(gWide[0].first.size()));
    gWide.clear();
}

} // namespace
