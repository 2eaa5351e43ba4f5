#include "WkDocument.h"

#include <algorithm>
#include <utility>

WkDocument::WkDocument() = default;

WkDocument::~WkDocument() = default;

void WkDocument::SetTitle(const std::string& title) {
    title_ = title;
    for (WkViewObserver* view : std::vector<WkViewObserver*>(views_)) {
        view->OnTitleChanged(title_);
    }
}

void WkDocument::SetModifiedFlag(bool modified) {
    if (modified_ == modified) {
        return;
    }
    modified_ = modified;
    for (WkViewObserver* view : std::vector<WkViewObserver*>(views_)) {
        view->OnModifiedChanged(modified_);
    }
}

void WkDocument::AddView(WkViewObserver* view) {
    if (view != nullptr && std::find(views_.begin(), views_.end(), view) == views_.end()) {
        views_.push_back(view);
    }
}

void WkDocument::RemoveView(WkViewObserver* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

WkViewObserver* WkDocument::GetFirstView() const {
    return views_.empty() ? nullptr : views_.front();
}

void WkDocument::UpdateAllViews(WkViewObserver* sender, int hint) {
    // A view may add or remove views while it updates; work on the list as it was.
    const std::vector<WkViewObserver*> views(views_);
    for (WkViewObserver* view : views) {
        if (view != sender && std::find(views_.begin(), views_.end(), view) != views_.end()) {
            view->OnUpdate(sender, hint);
        }
    }
}

void WkDocument::ActivateFrame() {
    if (WkViewObserver* view = GetFirstView()) {
        view->ActivateFrame();
    }
}

void WkDocument::MoveFrame(const WkRect& rect, bool repaint) {
    if (WkViewObserver* view = GetFirstView()) {
        view->MoveFrame(rect, repaint);
    } else {
        pendingFrameRect_ = rect;
    }
}

std::optional<WkRect> WkDocument::TakePendingFrameRect() {
    return std::exchange(pendingFrameRect_, std::nullopt);
}

void WkDocument::SetFrameShowState(WkShowState state) {
    if (WkViewObserver* view = GetFirstView()) {
        view->SetFrameShowState(state);
    }
}

Prompts& WkDocument::GetPrompts() const {
    return prompts_ != nullptr ? *prompts_ : Prompts::Current();
}

bool WkDocument::CommitPendingEdits() {
    const std::vector<WkViewObserver*> views(views_);
    return std::all_of(views.begin(), views.end(),
                       [](WkViewObserver* view) { return view->CommitEdits(); });
}

bool WkDocument::CanCloseFrame() {
    return CommitPendingEdits();
}

bool WkDocument::Save(const std::filesystem::path& path) {
    if (!OnSaveDocument(path)) {
        return false;
    }
    SetPathName(path);
    SetTitle(path.filename().string());
    SetModifiedFlag(false);
    OnDocumentSaved(path);
    for (WkViewObserver* view : std::vector<WkViewObserver*>(views_)) {
        view->OnDocumentSaved();
    }
    return true;
}
