#pragma once
// The protocol window's document: the running log of protocol lines.
//
// Lines come from any thread; the store and the view are touched only on the user-interface
// thread. That thread's own lines (a reader command's request and answer) go in at once, so
// they are in the window when the command returns. Lines of other threads are queued and
// taken in batches: the first line of a batch asks the view to drain within a few
// milliseconds, a full batch asks for it at once, and while lines keep coming the view drains
// again after the same time without being asked, so a flood costs one wake-up per batch, not
// per line, and a burst of frames one. A sender waits only while the queue is full. Each line
// travels whole, and the queue keeps every thread's lines in their order.

#include "WkDocument.h"
#include "WkLogFileStream.h"
#include "WkLogStore.h"
#include "WkRtfText.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class WkLogSink;

class WkLogDoc : public WkDocument {
public:
    /// Rows of the File Info dialog: last edited with, version, file type, file name, comment.
    static constexpr int kFileInfoMask = 79;
    static constexpr int kInfoStringCount = 20;

    WkLogDoc();
    ~WkLogDoc() override;

    // Title: the frame shows "ProtocolWindow - " and the plain title.
    void SetTitle(const std::string& title) override;
    const std::string& PlainTitle() const { return plainTitle_; }
    std::string SaveNameProposal() const override { return plainTitle_; }
    std::string FrameTitle() const;

    const std::string& InfoString(int index) const;
    /// Rows of mask 79 over the info strings, the file name being the plain title.
    std::optional<WkFileInfoModel> GetFileInfo() override;
    bool HasFileInfo() const override { return true; }
    /// Takes the comment back from the File Info dialog; the document becomes modified.
    void ApplyFileInfoComment(const std::string& comment);

    const WkLogFont& Font() const { return font_; }
    void SetFont(const WkLogFont& font) { font_ = font; }

    /// Connects the view; `uiThread` is the thread that owns it. Lines appended before a view
    /// is attached go nowhere.
    void AttachSink(WkLogSink* sink, std::thread::id uiThread);
    /// Disconnects the view (user-interface thread); queued lines are dropped.
    void DetachSink();

    /// Lines of other threads are taken at most this long after the first of a batch.
    static constexpr std::chrono::milliseconds kBatchTime{10};
    /// Lines of other threads taken by one drain at most before it is asked for at once.
    static constexpr std::size_t kBatchLines = 1024;
    /// Lines of other threads queued at most; a sender waits while this many wait.
    static constexpr std::size_t kMostQueued = 64 * 1024;

    /// Appends one line (without line end) from any thread: on the user-interface thread it
    /// is in the window when this returns, from another thread it is queued. Returns false
    /// when the line was dropped (no view, or the window is closing). `port` is the number of
    /// the serial port the line came through, 0 when not known.
    bool Append(const std::string& line, int port = 0);
    /// Appends, as Append does, an auto-answer line for each piece received at `time` (not
    /// 0); the store keeps them without their text being made. The pieces are taken.
    /// `silent`: the line fell silent after them; when the window took no lines for a batch's
    /// time, they go in at once rather than after it.
    bool AppendReceived(WkPackedTime time, std::vector<std::vector<std::uint8_t>>& pieces,
                        bool silent, int port = 0);
    /// User-interface thread: moves every queued line into the store (and the file that is
    /// logged to), then tells the view. False when no line was queued.
    bool Drain();

    /// User-interface thread: the lines of the window.
    const WkLogStore& Store() const { return store_; }
    /// The text of every line kept, the marker line first (for tests and small logs).
    std::vector<std::string> Lines() const;
    /// The most lines kept, 0 for no limit; beyond it the oldest are dropped.
    void SetLineLimit(std::uint64_t maxLines) { store_.SetLineLimit(maxLines); }
    std::uint64_t LineLimit() const { return store_.LineLimit(); }

    /// "Log to file...": from now on every line also goes into `path` (created or replaced,
    /// or with `append` added to the rich text it holds), in the window's font. False when
    /// the file cannot be written.
    bool StartLogToFile(const std::filesystem::path& path, bool append = false);
    void StopLogToFile() { stream_.Close(); }
    /// False also after a write to the file failed.
    bool IsLoggingToFile() const { return stream_.IsOpen(); }
    const std::filesystem::path& LogFilePath() const { return stream_.Path(); }

    /// User-interface thread: from now on lines are dropped; lines queued before go in, and
    /// senders waiting for room are released.
    void BeginClose();
    bool IsClosing() const;

    /// Whether lines came in that are in no file: not saved, not logged to a file. Only then
    /// is closing the window worth a question.
    bool HasUnsavedLines() const { return unsavedLines_ > 0; }
    /// The lines held are in no file of the user's (they came from a recovery copy).
    void MarkLinesUnsaved() { unsavedLines_ = store_.Size(); }

    bool OnOpenDocument(const std::filesystem::path& path) override;
    bool OnSaveDocument(const std::filesystem::path& path) override;
    void BeforeSaveQuestion() override;
    void OnDocumentSaved(const std::filesystem::path& path) override;
    void OnCloseDocument() override;

private:
    /// A queued line: its text, or the bytes of an auto-answer line and their time.
    struct Entry {
        std::string text;
        std::vector<std::uint8_t> bytes;
        WkPackedTime time = 0; ///< not 0: an auto-answer line of `bytes`
        int port = 0;
    };
    /// Queues the entries `push` adds to the queue; the user-interface thread's own go in at
    /// once. `settled`: the sender expects no more lines at once.
    template <typename Push> bool Take(Push push, bool settled);
    bool DrainLocked(std::unique_lock<std::mutex>& lock);
    void DropPendingLocked();

    std::string plainTitle_;
    std::vector<std::string> info_;
    WkLogFont font_;
    WkLogStore store_;
    WkLogFileStream stream_;
    std::uint64_t unsavedLines_ = 0; ///< user-interface thread

    mutable std::mutex mutex_;
    std::condition_variable consumed_;
    WkLogSink* sink_ = nullptr;
    std::thread::id uiThread_;
    bool closing_ = false;
    bool drainRequested_ = false;  // the view will drain without a further request
    bool urgentRequested_ = false; // ... and was asked to do so at once
    bool queuedByOthers_ = false;  // lines of other threads came since the last drain
    std::chrono::steady_clock::time_point lastQueued_; // the last line of another thread
    bool lastSettled_ = false; // ... and its sender expected no more at once
    std::chrono::steady_clock::time_point lastDrain_;
    std::vector<Entry> pending_;
    std::vector<Entry> taking_;      // the batch being moved in, kept for its capacity
    std::vector<std::string> texts_; // its lines' texts, for the file and a sink that wants them
};
