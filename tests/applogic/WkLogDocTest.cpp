#include "WkLogDoc.h"
#include "AppFakes.h"
#include "CorvelApp.h"
#include "WkAAThread.h"
#include "WkLogSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>

namespace {

// A view with its own user-interface thread: drain requests are served there, as the
// program's event loop serves them.
class ThreadedSink : public WkLogSink {
public:
    explicit ThreadedSink(WkLogDoc& doc) : doc_(doc) {
        ui_ = std::thread([this] { Loop(); });
        std::unique_lock lock(mutex_);
        started_.wait(lock, [this] { return running_; });
    }
    ~ThreadedSink() override { Stop(); }

    void Stop() {
        {
            std::lock_guard lock(mutex_);
            if (!running_) {
                return;
            }
            stop_ = true;
        }
        wake_.notify_all();
        ui_.join();
    }

    void AppendLines(const std::vector<std::string>& lines) override {
        for (const auto& line : lines) {
            text_ += line + "\r\n";
            ++count_;
        }
    }
    void RequestDrain(bool now) override {
        // Called with the document's lock held: only flag the request. A drain that is not
        // asked for at once waits a few milliseconds, as the view's timer does.
        std::lock_guard lock(mutex_);
        drainRequested_ = true;
        drainNow_ = drainNow_ || now;
        ++requests_;
        wake_.notify_all();
    }
    std::size_t Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    /// Runs `work` on the user-interface thread and waits for it.
    void RunOnUi(std::function<void()> work) {
        std::unique_lock lock(mutex_);
        work_ = std::move(work);
        wake_.notify_all();
        done_.wait(lock, [this] { return !work_; });
    }

    const std::string& Text() const { return text_; }
    std::size_t Count() const { return count_; }

private:
    void Loop() {
        doc_.AttachSink(this, std::this_thread::get_id());
        std::unique_lock lock(mutex_);
        running_ = true;
        started_.notify_all();
        while (true) {
            wake_.wait(lock, [this] { return stop_ || drainRequested_ || work_; });
            if (work_) {
                auto work = std::move(work_);
                lock.unlock();
                work();
                lock.lock();
                work_ = nullptr;
                done_.notify_all();
                continue;
            }
            if (drainRequested_) {
                if (!drainNow_) {
                    wake_.wait_for(lock, std::chrono::milliseconds(2),
                                   [this] { return stop_ || drainNow_ || work_; });
                }
                drainRequested_ = drainNow_ = false;
                lock.unlock();
                doc_.Drain();
                lock.lock();
                continue;
            }
            if (stop_) {
                break;
            }
        }
        running_ = false;
        lock.unlock();
        doc_.DetachSink();
    }

    WkLogDoc& doc_;
    std::thread ui_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable started_;
    std::condition_variable done_;
    bool running_ = false;
    bool stop_ = false;
    bool drainRequested_ = false;
    bool drainNow_ = false;
    std::size_t requests_ = 0;
    std::function<void()> work_;
    std::string text_;
    std::size_t count_ = 0;
};

std::string LineOf(int thread, int index) {
    return "T" + std::to_string(thread) + " line " + std::to_string(index) + " 04 00 65 61";
}

} // namespace

TEST(WkLogDoc, ThreeThreadsAndTheAutoAnswerWorkerAppendEveryLineOnceAndWhole) {
    WkLogDoc doc;
    ThreadedSink sink(doc);
    constexpr int kThreads = 3;
    constexpr int kLines = 20000;
    std::vector<std::thread> writers;
    std::atomic<int> refused{0};
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                if (!doc.Append(LineOf(t, i))) {
                    ++refused;
                }
            }
        });
    }
    // The auto-answer worker hands over the frames of each receive call at once: one frame
    // of 05 00 11 00 <n> per call, the last byte counting the calls.
    constexpr int kFrames = 2000;
    std::atomic<int> received{0};
    WkAAThread worker(
        [&](int, unsigned char* buffer, int) {
            const int n = received.load();
            if (n == kFrames) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return -1030;
            }
            const unsigned char frame[] = {0x05, 0x00, 0x11, static_cast<unsigned char>(n),
                                           static_cast<unsigned char>(0x14 ^ n)};
            std::copy(std::begin(frame), std::end(frame), buffer);
            ++received;
            return 5;
        },
        [&](WkPackedTime time, auto& pieces, bool silent) {
            return doc.AppendReceived(time, pieces, silent, 7);
        });
    ASSERT_TRUE(worker.Start());
    worker.Enable(1);
    // The user-interface thread logs its own lines meanwhile.
    sink.RunOnUi([&] {
        for (int i = 0; i < 1000; ++i) {
            EXPECT_TRUE(doc.Append(LineOf(9, i)));
        }
    });
    for (auto& w : writers) {
        w.join();
    }
    while (worker.Delivered() < kFrames) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sink.RunOnUi([&] { worker.Quit([&] { doc.Drain(); }); });
    sink.RunOnUi([&] { doc.Drain(); });
    EXPECT_EQ(refused.load(), 0);
    ASSERT_EQ(sink.Count(), static_cast<std::size_t>(kThreads * kLines + 1000 + kFrames));
    // Batches, not a wake-up per line (a request per drain at most, one drain per 2 ms).
    EXPECT_LT(sink.Requests(), sink.Count() / 4);
    sink.Stop();

    // Every line exactly once, whole, and each thread's lines in its own order.
    std::vector<int> next(10, 0);
    int frames = 0;
    std::size_t start = 0;
    const std::string& text = sink.Text();
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.find("  <<  05 00 11 ") != std::string::npos) {
            char tail[16];
            std::snprintf(tail, sizeof tail, "%02X %02X ", frames & 0xFF, (0x14 ^ frames) & 0xFF);
            ASSERT_EQ(line.substr(line.size() - 6), tail) << line;
            ++frames;
            continue;
        }
        ASSERT_GE(line.size(), 2u);
        const int thread = line[1] - '0';
        ASSERT_TRUE(thread >= 0 && thread <= 9) << line;
        ASSERT_EQ(line, LineOf(thread, next[thread]));
        ++next[thread];
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(next[t], kLines);
    }
    EXPECT_EQ(next[9], 1000);
    EXPECT_EQ(frames, kFrames);
    // The frames keep the port they came through; the other lines name none.
    EXPECT_EQ(doc.Store().Ports(), std::vector<int>{7});
}

TEST(WkLogDoc, LinesDuringCloseAreDroppedAndCallersReleased) {
    auto doc = std::make_shared<WkLogDoc>();
    auto sink = std::make_unique<ThreadedSink>(*doc);
    std::atomic<bool> stop{false};
    std::atomic<int> shown{0};
    std::atomic<int> dropped{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 3; ++t) {
        writers.emplace_back([&] {
            while (!stop) {
                (doc->Append("line") ? shown : dropped)++;
            }
        });
    }
    while (shown < 1000) {
        std::this_thread::yield();
    }
    sink->RunOnUi([&] { doc->BeginClose(); });
    const std::size_t countAtClose = sink->Count();
    while (dropped < 100) {
        std::this_thread::yield();
    }
    sink->RunOnUi([&] { doc->OnCloseDocument(); });
    sink.reset(); // the view is gone while writers still call
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    for (auto& w : writers) {
        w.join();
    }
    EXPECT_EQ(static_cast<std::size_t>(shown.load()), countAtClose);
    EXPECT_FALSE(doc->Append("after"));
}

TEST(WkLogDoc, WithoutViewLinesGoNowhere) {
    WkLogDoc doc;
    EXPECT_FALSE(doc.Append("x"));
}

TEST(WkLogDoc, TitleInfoAndNeverModified) {
    WkLogDoc doc;
    doc.SetTitle("Log1");
    EXPECT_EQ(doc.Title(), "ProtocolWindow - Log1");
    EXPECT_EQ(doc.PlainTitle(), "Log1");
    EXPECT_EQ(doc.InfoString(0), "LOG-01");
    EXPECT_EQ(doc.InfoString(2), "Corvel");
    EXPECT_EQ(doc.InfoString(3), "03.00.00");
    EXPECT_EQ(doc.InfoString(19), "");
    EXPECT_EQ(WkLogDoc::kFileInfoMask, 79);
    // OK in the File Info dialog marks modified even without a change.
    doc.ApplyFileInfoComment("");
    EXPECT_TRUE(doc.IsModified());
    doc.BeforeSaveQuestion();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Title(), "Log1");
}

namespace {

class ListSink : public WkLogSink {
public:
    std::vector<std::string> lines;
    void AppendLines(const std::vector<std::string>& more) override {
        lines.insert(lines.end(), more.begin(), more.end());
    }
    void RequestDrain(bool) override {}
    std::vector<std::string> Lines() const { return lines; }
};

} // namespace

TEST(WkLogDoc, SavedFileReopensWithTheSameLines) {
    auto path = std::filesystem::temp_directory_path() / "corvel_logdoc_roundtrip.log";
    std::vector<std::string> lines = {"12/07/26 10:00:00.123  >>  04 00 65 61 ",
                                      "",
                                      "{braces} and \\backslash\\",
                                      "\xC3\xA4\xC3\xB6\xC3\xBC tab\there", // UTF-8 lines
                                      "\xE2\x82\xAC 5 \xE4\xB8\xAD\xE6\x96\x87",
                                      "12/07/26 10:00:00.140  <<  05 00 65 00 60 "};
    {
        WkLogDoc doc;
        ListSink sink;
        doc.AttachSink(&sink, std::this_thread::get_id());
        for (const auto& line : lines) {
            EXPECT_TRUE(doc.Append(line));
        }
        EXPECT_EQ(sink.lines, lines);
        ASSERT_TRUE(doc.OnSaveDocument(path));
        doc.DetachSink();
    }
    std::ifstream in(path, std::ios::binary);
    const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rtf.substr(0, 5), "{\\rtf");
    // Latin-1 characters as before, the others as \uN with a "?" for readers without Unicode.
    EXPECT_NE(rtf.find("\n\\'e4\\'f6\\'fc tab\\tab here\\par\n"), std::string::npos);
    EXPECT_NE(rtf.find("\n\\u8364? 5 \\u20013?\\u25991?\\par\n"), std::string::npos);
    WkLogDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path));
    EXPECT_EQ(reopened.Lines(), lines);
    std::filesystem::remove(path);
    // Not rich text: the open fails.
    std::ofstream(path) << "plain words";
    EXPECT_FALSE(reopened.OnOpenDocument(path));
    std::filesystem::remove(path);
}

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Blanks collapsed, as text converters print them.
std::string Squeezed(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += c;
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

} // namespace

// The .log saved from these lines before the window kept them as records is the reference.
TEST(WkLogDoc, SavedAndStreamedFilesMatchTheReferenceBytes) {
    std::vector<std::string> lines;
    {
        std::ifstream in(CORVEL_TEST_DATA "/ProtocolLines.txt", std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
    }
    const std::string reference = ReadFile(CORVEL_TEST_DATA "/ProtocolLines.log");
    ASSERT_FALSE(reference.empty());
    const auto dir = std::filesystem::temp_directory_path() / "corvel_logdoc_reference";
    std::filesystem::create_directories(dir);
    WkLogDoc doc;
    ListSink sink;
    doc.AttachSink(&sink, std::this_thread::get_id());
    ASSERT_TRUE(doc.StartLogToFile(dir / "streamed.log"));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        doc.Append(lines[i]);
        if (i == 3) {
            doc.Drain(); // the streamed file grows in batches
            EXPECT_TRUE(ReadRtfText(ReadFile(dir / "streamed.log")));
        }
    }
    ASSERT_TRUE(doc.OnSaveDocument(dir / "saved.log"));
    EXPECT_EQ(ReadFile(dir / "saved.log"), reference);
    WkLogDoc kept; // the kept file opens to its lines
    ASSERT_TRUE(kept.OnOpenDocument(CORVEL_TEST_DATA "/ProtocolLines.log"));
    EXPECT_EQ(kept.Lines(), lines);
    EXPECT_EQ(ReadFile(dir / "streamed.log"), reference);
    doc.StopLogToFile();
    doc.Append("after the stop");
    doc.Drain();
    EXPECT_EQ(ReadFile(dir / "streamed.log"), reference);
    doc.DetachSink();

    // A common converter reads the protocol lines back.
    if (std::system("unrtf --version > /dev/null 2>&1") == 0) {
        const std::string text = dir / "unrtf.txt";
        ASSERT_EQ(
            std::system(("unrtf --text " + (dir / "saved.log").string() + " > " + text).c_str()),
            0);
        std::ifstream in(text);
        std::vector<std::string> read;
        for (std::string line; std::getline(in, line);) {
            read.push_back(Squeezed(line));
        }
        auto at = read.begin();
        for (const std::string& line : lines) {
            if (line.empty() || line[0] < '0' || line[0] > '9') {
                continue; // the converter's own spacing of tabs and empty paragraphs differs
            }
            at = std::find(at, read.end(), Squeezed(line));
            ASSERT_NE(at, read.end()) << line;
        }
    }
    std::filesystem::remove_all(dir);
}

namespace {

// Records the drain requests and drains only when the test says so.
class RequestSink : public ListSink {
public:
    void RequestDrain(bool now) override {
        std::lock_guard lock(mutex);
        requests.push_back(now);
    }
    std::vector<bool> Requests() {
        std::lock_guard lock(mutex);
        return requests;
    }
    std::mutex mutex;
    std::vector<bool> requests;
};

} // namespace

TEST(WkLogDoc, OwnLinesGoInAtOnceOtherThreadsLinesInBatches) {
    WkLogDoc doc;
    RequestSink sink;
    doc.AttachSink(&sink, std::this_thread::get_id());
    const auto fromAnotherThread = [&](int count, const std::string& text) {
        std::thread([&] {
            for (int i = 0; i < count; ++i) {
                EXPECT_TRUE(doc.Append(text));
            }
        }).join();
    };
    // Frames after which the line fell silent, with the window idle: taken at once.
    std::thread([&] {
        std::vector<std::vector<std::uint8_t>> pieces{{0x04, 0x00, 0x11, 0x15}};
        EXPECT_TRUE(doc.AppendReceived(1, pieces, true));
    }).join();
    EXPECT_EQ(sink.Requests(), (std::vector<bool>{true}));
    EXPECT_TRUE(doc.Drain());
    sink.lines.clear();
    sink.requests.clear();

    fromAnotherThread(2, "queued");
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_EQ(sink.Requests(), (std::vector<bool>{false})); // one request for the batch
    // A line of the window's own thread is in when Append returns, after the queued ones.
    EXPECT_TRUE(doc.Append("own"));
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"queued", "queued", "own"}));

    // A full batch asks for a drain at once.
    fromAnotherThread(static_cast<int>(WkLogDoc::kBatchLines), "batch");
    EXPECT_EQ(sink.Requests(), (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(doc.Drain());
    EXPECT_EQ(sink.lines.size(), 3 + WkLogDoc::kBatchLines);
    // (While lines keep coming the view drains again by itself: no request follows a drain
    // that found nothing.)
    const std::size_t requests = sink.Requests().size();
    EXPECT_FALSE(doc.Drain());
    EXPECT_EQ(sink.Requests().size(), requests);
    doc.DetachSink();
}

TEST(WkLogDoc, ASenderWaitingForRoomIsReleasedByTheClose) {
    WkLogDoc doc;
    RequestSink sink; // never drains by itself
    doc.AttachSink(&sink, std::this_thread::get_id());
    std::atomic<std::size_t> accepted{0};
    std::atomic<bool> lastTaken{true};
    std::thread sender([&] {
        while (accepted < WkLogDoc::kMostQueued && doc.Append("line")) {
            ++accepted;
        }
        lastTaken = doc.Append("waits for room"); // the queue is full
    });
    while (accepted < WkLogDoc::kMostQueued) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    doc.BeginClose();
    sender.join();
    EXPECT_FALSE(lastTaken);
    // What was handed over before the close went in.
    EXPECT_EQ(doc.Store().Size(), WkLogDoc::kMostQueued);
    doc.DetachSink();
}

TEST(ProtocolWindowClose, WaitsForRunningHandOverThenCloses) {
    FakeLibraries libs;
    AppPrompts prompts;
    FakeFrame frame;
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(app.InitInstance([&] { return &frame; }, {}));
    auto log = app.ProtocolWindowDocument();
    libs.calls.clear();
    libs.isLockedAnswer = 0; // a reader is inside a hand-over
    EXPECT_FALSE(app.TryCloseProtocolWindow(log));
    EXPECT_EQ(libs.calls,
              (std::vector<std::string>{"Set 0 LockProtToApp=0", "Get 0 IsProtToAppLocked"}));
    EXPECT_NE(app.ProtocolWindowDocument(), nullptr);
    // Lines arriving meanwhile are dropped.
    EXPECT_FALSE(app.AppendToProtocolWindow("late"));
    libs.isLockedAnswer = 1;
    EXPECT_TRUE(app.TryCloseProtocolWindow(log));
    EXPECT_EQ(app.ProtocolWindowDocument(), nullptr);
    EXPECT_TRUE(frame.frames.empty());
    EXPECT_FALSE(app.AppendToProtocolWindow("no window"));
    // The library's callback finds no window either, and nothing breaks.
    ASSERT_NE(libs.callback, nullptr);
    libs.callback("line", 0);
    EXPECT_TRUE(prompts.messages.empty());
}
