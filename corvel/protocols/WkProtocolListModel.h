#pragma once
// What the protocol and macro editors' lists share: rows that show the items and are matched
// back to them by their texts, the selection, New, Edit, Delete (a cut), Copy into the
// view's clipboard item, the COM combo, and sending one protocol through the document's
// reader object.

#include "WkComPortBinding.h"
#include "WkProtocolItem.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class WkProtocolEditPrompt;
class WkProtocolListDoc;
struct WkProtocolServices;

class WkProtocolListModel {
public:
    static constexpr const char* kDeleteQuestion = "Delete this entry ?";
    static constexpr const char* kNothingSentNoPort = "No COM port chosen: nothing was sent.";
    /// Answer buffer of a send.
    static constexpr int kAnswerSize = 256;

    /// One list row: the protocol, the comment and the flag as "yes" or "no", and why the
    /// protocol cannot be sent (empty when it can; a file may hold any text).
    struct Row {
        std::string protocol;
        std::string comment;
        std::string flag;
        std::string problem;
        bool operator==(const Row&) const = default;
    };

    /// All three must outlive the model.
    WkProtocolListModel(WkProtocolListDoc& document, const WkProtocolServices& services,
                        WkProtocolEditPrompt& editor);
    virtual ~WkProtocolListModel();
    WkProtocolListModel(const WkProtocolListModel&) = delete;
    WkProtocolListModel& operator=(const WkProtocolListModel&) = delete;

    /// The view's first show: the rows and the COM combo.
    virtual void Start();
    /// Rebuilds the rows from the document.
    virtual void Reload();

    const std::vector<Row>& Rows() const { return rows_; }
    /// The selected row, -1 for none.
    int Selected() const { return selected_; }
    /// Selects `row` (a right click on a row does too); out of range selects none.
    void Select(int row);

    /// The document index of the first item with the row's protocol and comment, or -1.
    int ItemIndexOfRow(int row) const;

    /// "New...": an empty item with the flag set goes through the edit dialog; on OK it is
    /// appended to the document and as the last row. True when one was added. The dialog
    /// takes only a protocol that can be sent: any other is shown why and edited again.
    bool New();
    /// "Edit...": the selected row's item through the edit dialog; true on OK.
    bool Edit();
    /// "Delete": asks first; on Yes the item becomes the clipboard item and leaves the list.
    bool Delete();
    /// "Copy": the selected row's item becomes the clipboard item.
    bool Copy();
    /// Insert is possible once something was copied or deleted.
    bool CanInsert() const { return clipboard_ != nullptr; }
    /// Whether the row commands (Edit, Delete, Copy, Send) have a row to act on.
    bool HasSelection() const { return selected_ >= 0; }

    /// What the last Send or Run came to, for the line under the buttons: "OK", the
    /// reader's status, the library's error, or why nothing went out.
    const std::string& Outcome() const { return outcome_; }

    WkComPortBinding& Port() { return port_; }
    const WkComPortBinding& Port() const { return port_; }
    WkProtocolListDoc& Document() { return document_; }

protected:
    Row RowOf(const WkProtocolItem& item) const;
    /// Whether the reader library adds the checksum when `item` is sent.
    virtual bool AddsChecksum(const WkProtocolItem& item) const = 0;
    /// The edit dialog over `item` until the user cancels (false, `item` untouched) or gives a
    /// protocol without a problem (true, the values taken into `item`).
    bool EditChecked(WkProtocolItem& item);
    /// The edited row `row` shows its item anew; the protocol editor sorts again.
    virtual void AfterEdit(int row);
    /// A copy of the clipboard item; null when there is none.
    std::unique_ptr<WkProtocolItem> ClipboardCopy() const;
    /// The reader's "PortHnd" as a number; 0 without a reader object or port.
    int BoundPortHandle() const;
    /// Sends the protocol of `item` through the document's reader object. None when nothing
    /// went out: no bytes, or a text with a problem (which is shown to the user). The caller
    /// checks reader and port first. `answerText` (may be null) gets what the answer says.
    std::optional<int> SendItem(const WkProtocolItem& item, std::string* answerText = nullptr);

    WkProtocolListDoc& document_;
    const WkProtocolServices& services_;
    WkProtocolEditPrompt& editor_;
    std::vector<Row> rows_;
    int selected_ = -1;
    std::string outcome_;

private:
    std::unique_ptr<WkProtocolItem> clipboard_;
    WkComPortBinding port_;
};
