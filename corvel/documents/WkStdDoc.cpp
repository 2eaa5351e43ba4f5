#include "WkStdDoc.h"

#include "WkArchive.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

WkStdDoc::WkStdDoc() = default;

WkStdDoc::~WkStdDoc() = default;

void WkStdDoc::SetTitle(const std::string& title) {
    title_ = title;
    for (WkViewObserver* view : std::vector<WkViewObserver*>(views_)) {
        view->OnTitleChanged(title_);
    }
}

void WkStdDoc::SetModifiedFlag(bool modified) {
    if (modified_ == modified) {
        return;
    }
    modified_ = modified;
    for (WkViewObserver* view : std::vector<WkViewObserver*>(views_)) {
        view->OnModifiedChanged(modified_);
    }
}

void WkStdDoc::AddView(WkViewObserver* view) {
    if (view != nullptr && std::find(views_.begin(), views_.end(), view) == views_.end()) {
        views_.push_back(view);
    }
}

void WkStdDoc::RemoveView(WkViewObserver* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

WkViewObserver* WkStdDoc::GetFirstView() const {
    return views_.empty() ? nullptr : views_.front();
}

void WkStdDoc::UpdateAllViews(WkViewObserver* sender, int hint) {
    // A view may add or remove views while it updates; work on the list as it was.
    const std::vector<WkViewObserver*> views(views_);
    for (WkViewObserver* view : views) {
        if (view != sender && std::find(views_.begin(), views_.end(), view) != views_.end()) {
            view->OnUpdate(sender, hint);
        }
    }
}

void WkStdDoc::ActivateFrame() {
    if (WkViewObserver* view = GetFirstView()) {
        view->ActivateFrame();
    }
}

void WkStdDoc::MoveFrame(const WkRect& rect, bool repaint) {
    if (WkViewObserver* view = GetFirstView()) {
        view->MoveFrame(rect, repaint);
    }
}

void WkStdDoc::SetFrameShowState(WkShowState state) {
    if (WkViewObserver* view = GetFirstView()) {
        view->SetFrameShowState(state);
    }
}

Prompts& WkStdDoc::GetPrompts() const {
    return prompts_ != nullptr ? *prompts_ : Prompts::Current();
}

void WkStdDoc::Serialize(WkArchive&) {}

std::vector<unsigned char> WkStdDoc::StoreToBytes() {
    WkArchive ar;
    Serialize(ar);
    return ar.Buffer();
}

bool WkStdDoc::LoadFromBytes(const std::vector<unsigned char>& bytes) {
    WkArchive ar(bytes);
    try {
        Serialize(ar);
    } catch (const WkArchiveError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool WkStdDoc::SaveFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    try {
        bytes = StoreToBytes();
    } catch (const WkArchiveError&) {
        return false;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        if (ok) {
            written += static_cast<std::size_t>(n);
        }
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    // mkstemp makes the file private; a replaced file keeps its mode, a new one is 0644.
    struct stat previous {};
    const mode_t mode = stat(path.c_str(), &previous) == 0 ? (previous.st_mode & 07777) : 0644;
    ok = ok && chmod(temp.c_str(), mode) == 0;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        std::remove(temp.c_str());
        return false;
    }
    pathName_ = path;
    SetModifiedFlag(false);
    return true;
}

bool WkStdDoc::LoadFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<unsigned char> bytes;
    try {
        // The stream buffer throws on a read error (a folder, a failing device).
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;
    }
    if (in.bad() || !LoadFromBytes(bytes)) {
        return false;
    }
    pathName_ = path;
    SetModifiedFlag(false);
    return true;
}
