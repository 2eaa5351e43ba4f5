#include "WkLogDoc.h"

#include "WkAtomicFile.h"
#include "WkLogSink.h"
#include "WkRtfReader.h"

#include <fstream>

namespace {
constexpr const char* kFramePrefix = "ProtocolWindow";
// A .log is read and written in pieces of this size.
constexpr std::size_t kFilePieceBytes = 1 << 16;
} // namespace

WkLogDoc::WkLogDoc() : info_(kInfoStringCount) {
    info_[0] = "LOG-01";
    info_[2] = "Corvel";
    info_[3] = "03.00.00";
}

WkLogDoc::~WkLogDoc() = default;

void WkLogDoc::SetTitle(const std::string& title) {
    plainTitle_ = title;
    WkDocument::SetTitle(FrameTitle());
}

std::string WkLogDoc::FrameTitle() const {
    return std::string(kFramePrefix) + " - " + plainTitle_;
}

const std::string& WkLogDoc::InfoString(int index) const {
    return info_.at(index);
}

std::optional<WkFileInfoModel> WkLogDoc::GetFileInfo() {
    WkFileInfoModel::Source source;
    source.displayMask = kFileInfoMask;
    source.fileName = plainTitle_;
    return WkFileInfoModel(*this, info_, source);
}

void WkLogDoc::ApplyFileInfoComment(const std::string& comment) {
    info_[1] = comment;
    SetModified(true);
}

void WkLogDoc::AttachSink(WkLogSink* sink, std::thread::id uiThread) {
    std::lock_guard lock(mutex_);
    sink_ = sink;
    uiThread_ = uiThread;
}

void WkLogDoc::DetachSink() {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
    DropPendingLocked();
}

void WkLogDoc::DropPendingLocked() {
    pending_.clear();
    drainRequested_ = false;
    urgentRequested_ = false;
    queuedByOthers_ = false;
    consumed_.notify_all(); // senders waiting for room give up
}

bool WkLogDoc::Append(const std::string& line, int port) {
    return Take([&] { pending_.push_back({line, {}, 0, port}); }, false);
}

bool WkLogDoc::AppendReceived(WkPackedTime time, std::vector<std::vector<std::uint8_t>>& pieces,
                              bool silent, int port) {
    return Take(
        [&] {
            for (std::vector<std::uint8_t>& piece : pieces) {
                pending_.push_back({{}, std::move(piece), time, port});
            }
        },
        silent);
}

template <typename Push> bool WkLogDoc::Take(Push push, bool settled) {
    std::unique_lock lock(mutex_);
    if (closing_ || sink_ == nullptr) {
        return false;
    }
    if (std::this_thread::get_id() == uiThread_) {
        // Lines queued before go in first: the window keeps the order in which lines came.
        push();
        DrainLocked(lock);
        return true;
    }
    // The window's thread is far behind: wait for room rather than hold ever more lines.
    while (pending_.size() >= kMostQueued) {
        if (!urgentRequested_) {
            drainRequested_ = urgentRequested_ = true;
            sink_->RequestDrain(true);
        }
        consumed_.wait(lock);
        if (closing_ || sink_ == nullptr) {
            return false;
        }
    }
    push();
    queuedByOthers_ = true;
    lastQueued_ = std::chrono::steady_clock::now();
    lastSettled_ = settled;
    // A full batch goes in at once, and so do lines after which nothing comes when the
    // window took none for a batch's time (a burst of frames: waiting gains nothing then).
    const bool now =
        pending_.size() >= kBatchLines || (settled && lastQueued_ - lastDrain_ >= kBatchTime);
    if (now ? !urgentRequested_ : !drainRequested_) {
        drainRequested_ = true;
        urgentRequested_ = urgentRequested_ || now;
        sink_->RequestDrain(now);
    }
    return true;
}

bool WkLogDoc::Drain() {
    std::unique_lock lock(mutex_);
    // Lines of other threads came a moment ago, and their sender did not say it was done:
    // more are likely on the way.
    const bool coming = queuedByOthers_ && !lastSettled_ &&
                        std::chrono::steady_clock::now() - lastQueued_ < kBatchTime / 2;
    if (!DrainLocked(lock)) {
        return false;
    }
    if (coming && sink_ != nullptr && !closing_) {
        // The view takes the next batch after the same few milliseconds, without their
        // senders waking this thread again.
        drainRequested_ = true;
        sink_->RequestDrain(false);
    }
    return true;
}

bool WkLogDoc::DrainLocked(std::unique_lock<std::mutex>& lock) {
    drainRequested_ = false;
    urgentRequested_ = false;
    queuedByOthers_ = false;
    if (pending_.empty() || sink_ == nullptr) {
        return false;
    }
    taking_.swap(pending_);
    lastDrain_ = std::chrono::steady_clock::now();
    WkLogSink* sink = sink_;
    consumed_.notify_all();
    // The view is only detached on this thread, so it stays valid without the lock; other
    // threads queue their next lines meanwhile.
    lock.unlock();
    const bool texts = stream_.IsOpen() || sink->WantsLineText();
    for (Entry& entry : taking_) {
        if (entry.time != 0) {
            store_.AppendAutoAnswer(entry.time, entry.bytes, entry.port);
            if (texts) {
                AppendProtocolLine(WkLineKind::kAutoAnswer, entry.time, 0, entry.bytes,
                                   texts_.emplace_back());
            }
        } else {
            store_.Append(entry.text, entry.port);
            if (texts) {
                texts_.push_back(std::move(entry.text));
            }
        }
    }
    if (!stream_.Write(texts_)) {
        unsavedLines_ += taking_.size();
    }
    sink->AppendLines(texts_);
    taking_.clear();
    texts_.clear();
    lock.lock();
    return true;
}

void WkLogDoc::BeginClose() {
    std::unique_lock lock(mutex_);
    closing_ = true; // lines from now on are refused
    // Lines handed over before still go in (and into the file that is logged to).
    DrainLocked(lock);
    DropPendingLocked();
}

bool WkLogDoc::IsClosing() const {
    std::lock_guard lock(mutex_);
    return closing_;
}

bool WkLogDoc::OnOpenDocument(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    // The file goes into the store a line at a time as it is read: a long log is never held
    // whole, as bytes or as text. A file that turns out not to be rich text leaves nothing.
    store_.Clear();
    WkRtfReader reader(WkRtfReader::Encoding::kUtf8,
                       [this](std::string_view line, bool) { store_.Append(line); });
    std::string piece(kFilePieceBytes, '\0');
    bool rtf = true;
    while (rtf && in) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        rtf = reader.Feed(std::string_view(piece.data(), static_cast<std::size_t>(in.gcount())));
    }
    if (!rtf || in.bad() || !reader.Finish()) {
        store_.Clear();
        return false;
    }
    unsavedLines_ = 0;
    return true;
}

bool WkLogDoc::OnSaveDocument(const std::filesystem::path& path) {
    Drain(); // lines still queued belong to the text being saved
    // The text goes out in pieces: a long log is never held in memory twice.
    const auto produce = [this](const WkFileWriter& write) {
        std::string piece = RtfStart(font_);
        const bool all = store_.ForEachLine([&](std::string_view line) {
            AppendRtfUtf8Line(piece, line);
            if (piece.size() < kFilePieceBytes) {
                return true;
            }
            const bool written = write(piece);
            piece.clear();
            return written;
        });
        piece += kRtfEnd;
        return all && write(piece);
    };
    std::string error;
    const bool saved = WriteFileAtomically(path, produce, &error);
    SetFileError(error);
    return saved;
}

void WkLogDoc::BeforeSaveQuestion() {
    // Lines that are in no file are worth a question (those still queued count too); the
    // comment is never stored.
    Drain();
    SetModified(HasUnsavedLines());
    WkDocument::SetTitle(plainTitle_);
}

void WkLogDoc::OnDocumentSaved(const std::filesystem::path& /*path*/) {
    unsavedLines_ = 0;
}

void WkLogDoc::OnCloseDocument() {
    BeginClose();
    DetachSink();
}

std::vector<std::string> WkLogDoc::Lines() const {
    std::vector<std::string> lines;
    store_.ForEachLine([&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

bool WkLogDoc::StartLogToFile(const std::filesystem::path& path, bool append) {
    return stream_.Open(path, font_, append);
}
