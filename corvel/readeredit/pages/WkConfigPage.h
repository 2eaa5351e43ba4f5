#pragma once
// One configuration page (pages 1 to 7) run from its table: the values its controls show,
// load, commit with range checks, send and read of the page and of one command group, and the
// context menu of each group frame. The Qt page shows Value/Text and forwards edits; the
// command-line client uses the same operations without a window.

#include "WkPageTable.h"
#include "WkReaderEditPage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VELKReaderModul;
class WkReaderEditDoc;

/// One entry of a context menu.
struct WkMenuEntry {
    int id = 0;
    std::string text;
    bool operator==(const WkMenuEntry&) const = default;
};

class WkConfigPage : public WkReaderEditPage {
public:
    /// `table` and `document` are not owned and must outlive the page. The controls start
    /// with the values of the document's module.
    WkConfigPage(const WkPageTable& table, WkReaderEditDoc& document);

    const WkPageTable& Table() const { return table_; }

    /// The shown value of control `index` (check, radio, list): 0/1, or the index.
    std::uint32_t Value(std::size_t index) const { return values_.at(index); }
    /// The user changed control `index`. Choosing a transponder type commits the page.
    void SetValue(std::size_t index, std::uint32_t value);
    /// The text of number field `index`.
    const std::string& Text(std::size_t index) const { return texts_.at(index); }
    void SetText(std::size_t index, std::string text);

    /// False for a control of another transponder type than the one chosen.
    bool IsShown(std::size_t index) const;
    /// The chosen transponder type (0 on pages without a type list).
    int CurrentType() const;

    /// The frames of the page's command groups, in table order, each once.
    std::vector<std::string> Frames() const;
    /// The title a frame shows (the frame of the transponder modes adds the chosen type).
    std::string FrameTitle(const std::string& frame) const;
    /// The entries a right-click inside `frame` offers: send and read of its command; none
    /// for an unknown frame or a type without settings.
    std::vector<WkMenuEntry> ContextMenu(const std::string& frame) const;
    /// Runs context-menu entry `id`: the reader module's result, or 0 when nothing ran (an
    /// unknown id, a commit that failed its range check, or a send of never-read values the
    /// user declined). A send that fails is reported.
    int OnMenu(int id);

    /// Called after the shown values changed (load, type switch).
    void SetChangedListener(std::function<void()> listener) { changed_ = std::move(listener); }

    WkPageSend SendPage() override;
    WkPageSend CommitAndSendPage() override;
    bool SendsLock() const override { return ::SendsLock(table_); }
    WkPageSend ReadPage(bool force) override;
    WkPageSend ReadPageAndLoad() override;
    void Activate(WkPageButtons& buttons) override;
    void Load() override;
    bool Commit() override;
    std::string Caption() const override { return table_.caption; }

private:
    int SendGroup(const WkCommandGroup& group);
    int ReadGroup(const WkCommandGroup& group);
    WkPageSend SendCodes();
    // The command `code` as its group's menu text names it, without "Send ": "[0x42] Gap
    // Time (tf)".
    std::string GroupName(int code, int type) const;
    // The result of a context-menu entry beside the editor's buttons; a failure also in the
    // protocol window.
    void ShowResult(const std::string& entry, int rc);
    // The configuration blocks the page's values live in.
    std::vector<int> Blocks() const;
    void SetType(int type);
    void ShowStoredType();
    void Changed();

    const WkPageTable& table_;
    WkReaderEditDoc& document_;
    VELKReaderModul& modul_;
    std::vector<std::uint32_t> values_;
    std::vector<std::string> texts_;
    std::function<void()> changed_;
};
