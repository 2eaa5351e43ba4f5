#pragma once
// The protocol window's document: the running log of protocol lines.
//
// Lines come from any thread. The view is touched only on the user-interface thread: a line
// from another thread is queued, the view is asked to drain the queue, and the caller waits
// until its line is in the window (or was dropped because the window closes). The line
// travels with the request, so lines of concurrent callers never mix and each appears once.

#include "WkDocument.h"
#include "WkLogFileStream.h"
#include "WkLogStore.h"
#include "WkRtfText.h"

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

    /// Appends one line (without line end) from any thread. Another thread waits until the
    /// line is in the window; the user-interface thread queues it for its next Drain. Returns
    /// false when the line was dropped (no view, or the window is closing).
    /// `port` is the number of the serial port the line came through, 0 when not known.
    bool Append(const std::string& line, int port = 0);
    /// User-interface thread: moves every queued line into the store (and the file that is
    /// logged to), then tells the view.
    void Drain();

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

    /// User-interface thread: from now on lines are dropped; queued lines are dropped and
    /// their callers released.
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
    enum class LineState { kQueued, kShown, kDropped };
    struct Pending {
        std::string line;
        int port;
        LineState* state; // the waiting caller's, null for the user-interface thread's own
    };
    void DrainLocked(std::unique_lock<std::mutex>& lock);
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
    bool drainRequested_ = false;
    bool urgentDrainRequested_ = false; // a blocked caller waits for the requested drain
    std::vector<Pending> pending_;
};
