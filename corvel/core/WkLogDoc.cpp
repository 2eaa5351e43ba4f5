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
    for (Pending& p : pending_) {
        if (p.state != nullptr) {
            *p.state = LineState::kDropped;
        }
    }
    pending_.clear();
    drainRequested_ = false;
    urgentDrainRequested_ = false;
    consumed_.notify_all();
}

bool WkLogDoc::Append(const std::string& line, int port) {
    std::unique_lock lock(mutex_);
    if (closing_ || sink_ == nullptr) {
        return false;
    }
    const bool uiThread = std::this_thread::get_id() == uiThread_;
    LineState state = LineState::kQueued;
    pending_.push_back({line, port, uiThread ? nullptr : &state});
    // A caller that waits must not sit behind a drain that was asked for at leisure.
    if (!drainRequested_ || (!uiThread && !urgentDrainRequested_)) {
        drainRequested_ = true;
        urgentDrainRequested_ = urgentDrainRequested_ || !uiThread;
        sink_->RequestDrain(!uiThread);
    }
    if (uiThread) {
        // The window's own thread goes on at once; its lines join the queue in order and go
        // into the window together a few milliseconds later, which keeps the cost per line
        // small however often the thread serves its events.
        return true;
    }
    consumed_.wait(lock, [&] { return state != LineState::kQueued; });
    return state == LineState::kShown;
}

void WkLogDoc::Drain() {
    std::unique_lock lock(mutex_);
    DrainLocked(lock);
}

void WkLogDoc::DrainLocked(std::unique_lock<std::mutex>& lock) {
    drainRequested_ = false;
    urgentDrainRequested_ = false;
    if (pending_.empty() || sink_ == nullptr) {
        return;
    }
    std::vector<Pending> batch;
    batch.swap(pending_);
    WkLogSink* sink = sink_;
    // The view is only detached on this thread, so it stays valid without the lock; callers
    // of the batch keep waiting until their lines are in.
    lock.unlock();
    std::vector<std::string> lines;
    lines.reserve(batch.size());
    for (Pending& p : batch) {
        store_.Append(p.line, p.port);
        lines.push_back(std::move(p.line));
    }
    if (!stream_.Write(lines)) {
        unsavedLines_ += lines.size();
    }
    sink->AppendLines(lines);
    lock.lock();
    for (Pending& p : batch) {
        if (p.state != nullptr) {
            *p.state = LineState::kShown;
        }
    }
    consumed_.notify_all();
}

void WkLogDoc::BeginClose() {
    std::lock_guard lock(mutex_);
    closing_ = true;
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
