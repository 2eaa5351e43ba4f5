// Transceive, transmit and receive against a peer that answers at the far end of the port:
// on a pseudo-terminal's master side, and as a device server on the loopback, raw and over
// RFC 2217.
#include "PtyPeer.h"
#include "SocketPeer.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

namespace {

using namespace std::chrono;
using Bytes = std::vector<unsigned char>;

const Bytes kRequest = {0x04, 0x00, 0x65, 0x61};
const Bytes kAnswer = {0x05, 0x00, 0x65, 0x00, 0x60};

enum class Kind { Pty, Tcp, Rfc2217 };

std::unique_ptr<LinePeer> MakePeer(Kind kind) {
    switch (kind) {
    case Kind::Tcp:
        return std::make_unique<SocketPeer>(SocketPeer::Mode::Raw);
    case Kind::Rfc2217:
        return std::make_unique<SocketPeer>(SocketPeer::Mode::Rfc2217);
    default:
        return std::make_unique<PtyPeer>();
    }
}

class SornExchangeTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        map_.Map(30, peer_->MapEntry());
        peer_->BeforeOpen();
        handle_ = SORN_OpenPort("30");
        ASSERT_GT(handle_, 0);
        // The peer thread may be slow to answer on a busy machine; the tests that wait for
        // silence set their own block time-out.
        Set("timeout", "3000");
    }
    void TearDown() override { SORN_ClosePort(handle_); }

    void Set(const char* key, const char* value) {
        ASSERT_EQ(SORN_SetPortPara(handle_, key, value), 0) << key;
    }

    // Exchanges kRequest and returns the answer bytes or the negative code as a one-element
    // vector in `code`.
    int Exchange(Bytes& answer, milliseconds& took) {
        answer.assign(256, 0);
        const auto start = steady_clock::now();
        const int n = SORN_Transceive(handle_, kRequest.data(), 4, answer.data(), 256);
        took = duration_cast<milliseconds>(steady_clock::now() - start);
        answer.resize(n > 0 ? n : 0);
        return n;
    }

    // An exchange that the peer answers with `reply`, in which kAnswer is the answer frame.
    void ExpectAnswerFrom(const Bytes& reply) {
        std::thread reader = AnswerWith(reply);
        Bytes answer;
        milliseconds took{};
        EXPECT_EQ(Exchange(answer, took), 5);
        reader.join();
        EXPECT_EQ(answer, kAnswer);
    }

    // Reads the 4-byte request on the master side, then sends `answer`.
    std::thread AnswerWith(Bytes answer) {
        return std::thread([this, answer] {
            EXPECT_EQ(peer_->Read(4), kRequest);
            peer_->Write(answer);
        });
    }

    PortMapFile map_;
    std::unique_ptr<LinePeer> peer_ = MakePeer(GetParam());
    int handle_ = 0;
};

TEST_P(SornExchangeTest, WholeAnswerReturnsAtOnceNotAfterTheTimeOut) {
    Set("timeout", "60000");
    std::thread reader = AnswerWith(kAnswer);
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), 5);
    reader.join();
    EXPECT_EQ(answer, kAnswer);
    EXPECT_LT(took.count(), 30000) << "block time-out is 60000 ms";
}

TEST_P(SornExchangeTest, SilenceGivesNothingReceivedAfterTheBlockTimeOut) {
    Set("timeout", "120");
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), -1030);
    EXPECT_GE(took.count(), 115);
    EXPECT_EQ(peer_->Read(4), kRequest);
}

TEST_P(SornExchangeTest, ByteAfterTheCharacterTimeOutIsNotPartOfTheAnswer) {
    Set("chartimeout", "30");
    std::promise<void> returned;
    std::thread reader([&] {
        peer_->Read(4);
        peer_->Write({0x05, 0x00, 0x65});
        returned.get_future().wait(); // the rest comes only after the exchange gave up
        peer_->Write({0x00, 0x60});
    });
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), 3);
    returned.set_value();
    reader.join();
    EXPECT_EQ(answer, (Bytes{0x05, 0x00, 0x65}));
    ASSERT_TRUE(peer_->WaitUntilDelivered(2));

    // The late bytes are flushed by the next exchange, whose answer comes whole.
    ExpectAnswerFrom(kAnswer);
}

TEST_P(SornExchangeTest, CharacterTimeOutScalesWithItsMultiplier) {
    Set("chartimeout", "300");
    Set("CharTimeoutMpy", "10"); // 3 s: a gap of more than 300 ms no longer ends the answer
    std::thread reader([&] {
        peer_->Read(4);
        peer_->Write({0x05, 0x00});
        std::this_thread::sleep_for(milliseconds(400));
        peer_->Write({0x65, 0x00, 0x60});
    });
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), 5);
    reader.join();
    EXPECT_EQ(answer, kAnswer);
}

TEST_P(SornExchangeTest, FirstByteBelowTwoIsNoLengthSoTheLineDecides) {
    Set("chartimeout", "30");
    std::thread reader = AnswerWith({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), 7);
    reader.join();
}

TEST_P(SornExchangeTest, BytesReceivedBeforeTheExchangeAreFlushed) {
    peer_->Write({0x07, 0xAA, 0xBB});
    ASSERT_TRUE(peer_->WaitUntilDelivered(3));
    ExpectAnswerFrom(kAnswer);
}

TEST_P(SornExchangeTest, AnswerStopsAtItsLengthAndAtTheCallersBuffer) {
    ExpectAnswerFrom({0x05, 0x00, 0x65, 0x00, 0x60, 0xEE, 0xEE});

    std::thread small = AnswerWith({0x09, 1, 2, 3, 4, 5, 6, 7, 8});
    unsigned char buffer[4] = {};
    EXPECT_EQ(SORN_Transceive(handle_, kRequest.data(), 4, buffer, 4), 4);
    small.join();
    EXPECT_EQ(SORN_Transceive(handle_, kRequest.data(), 256, buffer, 4), -1025);
    EXPECT_EQ(SORN_Transceive(handle_, nullptr, 4, buffer, 4), -1006);
}

TEST_P(SornExchangeTest, ReceiveHandsOverWhatArrivedAndTimesOutWithoutIt) {
    Set("Timeout", "100");
    unsigned char buffer[1024];
    auto start = steady_clock::now();
    EXPECT_EQ(SORN_Receive(handle_, buffer, sizeof buffer), -1030);
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - start).count(), 95);

    peer_->Write({0x11, 0x13, 0x00, 0xFF}); // XON and XOFF are plain data here
    ASSERT_TRUE(peer_->WaitUntilDelivered(4));
    ASSERT_EQ(SORN_Receive(handle_, buffer, sizeof buffer), 4);
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x11, 0x13, 0x00, 0xFF}));

    // A zero time-out still waits a short slice, so a receive loop does not spin.
    Set("Timeout", "0");
    start = steady_clock::now();
    EXPECT_EQ(SORN_Receive(handle_, buffer, sizeof buffer), -1030);
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - start).count(), 15);
}

TEST_P(SornExchangeTest, TransmitWritesTheBytes) {
    EXPECT_EQ(SORN_Transmit(handle_, kRequest.data(), 4), 4);
    EXPECT_EQ(peer_->Read(4), kRequest);
    EXPECT_EQ(SORN_Transmit(handle_, nullptr, 4), -1006);
}

TEST_P(SornExchangeTest, ClosedPeerGivesAnErrorQuickly) {
    peer_->Close();
    Bytes answer;
    milliseconds took{};
    EXPECT_LT(Exchange(answer, took), 0);
    EXPECT_NE(Exchange(answer, took), -1030);
    EXPECT_LT(took.count(), 400);
    unsigned char buffer[16];
    EXPECT_EQ(SORN_Receive(handle_, buffer, sizeof buffer), -1040);
}

TEST_P(SornExchangeTest, FramesTheReaderSentByItselfLeaveTheAnswerToTheExchange) {
    // After the request: the tail of a frame that was under way, a whole auto-answer frame,
    // then the answer. A receive loop runs on the port all the while.
    const Bytes tail = {0x30, 0x11, 0x22};
    const Bytes unasked = {0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1A};
    std::atomic<bool> stop{false};
    Bytes received;
    Set("Timeout", "20");
    std::thread receiver([&] {
        unsigned char buffer[256];
        while (!stop) {
            const int n = SORN_Receive(handle_, buffer, sizeof buffer);
            received.insert(received.end(), buffer, buffer + std::max(n, 0));
        }
    });
    Bytes all = tail;
    all.insert(all.end(), unasked.begin(), unasked.end());
    all.insert(all.end(), kAnswer.begin(), kAnswer.end());
    std::thread reader = AnswerWith(all);
    Bytes answer;
    milliseconds took{};
    EXPECT_EQ(Exchange(answer, took), 11);
    EXPECT_EQ(answer, unasked);
    reader.join();
    answer.assign(256, 0);
    ASSERT_EQ(SORN_NextAnswer(handle_, answer.data(), 256), 5);
    answer.resize(5);
    EXPECT_EQ(answer, kAnswer);
    // The answer ended the exchange.
    EXPECT_EQ(SORN_NextAnswer(handle_, answer.data(), 256), -1030);
    stop = true;
    receiver.join();
    EXPECT_TRUE(received.empty()) << received.size() << " bytes went to the receive";
}

TEST_P(SornExchangeTest, WaitingReceiveHoldsUpNeitherQuestionsNorExchanges) {
    Set("Timeout", "60000");
    std::atomic<int> received{0};
    std::thread receiver([&] {
        unsigned char buffer[16];
        received = SORN_Receive(handle_, buffer, sizeof buffer);
    });
    std::vector<double> queries;
    for (int i = 0; i < 50; ++i) {
        char value[16] = {};
        const auto start = steady_clock::now();
        ASSERT_EQ(SORN_GetPortPara(handle_, "baud", value), 0);
        ASSERT_EQ(SORN_DoPortCmd(handle_, "GetCTS", value), 0);
        queries.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
        std::this_thread::sleep_for(milliseconds(2));
    }
    ExpectAnswerFrom(kAnswer);
    EXPECT_EQ(received.load(), 0) << "the receive ended early or took the answer";
    std::nth_element(queries.begin(), queries.begin() + 25, queries.end());
    EXPECT_LT(queries[25], 10.0) << "median ms of a settings and a line question";

    peer_->Write({0x42});
    receiver.join();
    EXPECT_EQ(received.load(), 1);
}

TEST_P(SornExchangeTest, ExchangesFromSeveralThreadsNeverInterleave) {
    // The peer answers each request with its own command byte, so a reply that reached the
    // wrong caller, or a request split by another, shows up as a mismatch.
    std::atomic<bool> stop{false};
    std::thread server([&] {
        while (!stop) {
            const Bytes request = peer_->Read(4, milliseconds(50));
            if (request.size() == 4) {
                const unsigned char cmd = request[2];
                peer_->Write({0x05, 0x00, cmd, 0x00, static_cast<unsigned char>(0x05 ^ cmd)});
            }
        }
    });
    std::atomic<int> mismatches{0};
    std::vector<std::thread> clients;
    for (unsigned char cmd = 0x40; cmd < 0x44; ++cmd) {
        clients.emplace_back([&, cmd] {
            for (int i = 0; i < 25; ++i) {
                const unsigned char request[4] = {0x04, 0x00, cmd,
                                                  static_cast<unsigned char>(0x04 ^ cmd)};
                unsigned char answer[256];
                const int n = SORN_Transceive(handle_, request, 4, answer, sizeof answer);
                if (n != 5 || answer[2] != cmd) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& c : clients) {
        c.join();
    }
    stop = true;
    server.join();
    EXPECT_EQ(mismatches.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(EachDevice, SornExchangeTest,
                         ::testing::Values(Kind::Pty, Kind::Tcp, Kind::Rfc2217),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Pty   ? "Pty"
                                    : info.param == Kind::Tcp ? "Tcp"
                                                              : "Rfc2217";
                         });

} // namespace
