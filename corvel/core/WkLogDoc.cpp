#include "WkLogDoc.h"

#include "WkAtomicFile.h"
#include "WkLogSink.h"

#include <fstream>
#include <iterator>

namespace {
constexpr const char* kFramePrefix = "ProtocolWindow";
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

bool WkLogDoc::Append(const std::string& line) {
    return AppendLines(std::span<const std::string>(&line, 1));
}

bool WkLogDoc::AppendLines(std::span<const std::string> lines) {
    std::unique_lock lock(mutex_);
    if (closing_ || sink_ == nullptr) {
        return false;
    }
    if (std::this_thread::get_id() == uiThread_) {
        // Lines queued before go in first: the window keeps the order in which lines came.
        pending_.insert(pending_.end(), lines.begin(), lines.end());
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
    pending_.insert(pending_.end(), lines.begin(), lines.end());
    queuedByOthers_ = true;
    const bool full = pending_.size() >= kBatchLines;
    if (full ? !urgentRequested_ : !drainRequested_) {
        drainRequested_ = true;
        urgentRequested_ = urgentRequested_ || full;
        sink_->RequestDrain(full);
    }
    return true;
}

bool WkLogDoc::Drain() {
    std::unique_lock lock(mutex_);
    const bool fromOthers = queuedByOthers_;
    if (!DrainLocked(lock) || !fromOthers || sink_ == nullptr || closing_) {
        return false;
    }
    // Other threads' lines are likely still coming: the view takes the next batch after the
    // same few milliseconds, without their senders waking this thread again.
    drainRequested_ = true;
    sink_->RequestDrain(false);
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
    WkLogSink* sink = sink_;
    consumed_.notify_all();
    // The view is only detached on this thread, so it stays valid without the lock; other
    // threads queue their next lines meanwhile.
    lock.unlock();
    for (const std::string& line : taking_) {
        store_.Append(line);
    }
    if (!stream_.Write(taking_)) {
        unsavedLines_ += taking_.size();
    }
    sink->AppendLines(taking_);
    taking_.clear();
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
    std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::optional<std::string> text = ReadRtfUtf8Text(rtf);
    if (!text) {
        return false;
    }
    store_.Clear();
    for (const std::string& line : SplitTextLines(*text)) {
        store_.Append(line);
    }
    unsavedLines_ = 0;
    return true;
}

bool WkLogDoc::OnSaveDocument(const std::filesystem::path& path) {
    Drain(); // lines still queued belong to the text being saved
    // The text goes out in pieces: a long log is never held in memory twice.
    constexpr std::size_t kPieceBytes = 1 << 16;
    const auto produce = [this](const WkFileWriter& write) {
        std::string piece = RtfStart(font_);
        const bool all = store_.ForEachLine([&](std::string_view line) {
            AppendRtfUtf8Line(piece, line);
            if (piece.size() < kPieceBytes) {
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
