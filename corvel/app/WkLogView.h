#pragma once
// The protocol window's view: a table of the lines with their decoded columns (or the lines
// as plain text), a filter bar, search, the pairing of request and answer rows, and the
// window's commands. It reads the document's line store; the rules live in the logic layer
// (WkLogRows, WkLogCommands).

#include "WkDocumentView.h"
#include "WkRtfText.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class WkLogDoc;
class WkLogTableModel;
class WkPrompts;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPrinter;
class QTableView;
class QTimer;
class WkLogViewFeed;

class WkLogView : public QWidget, public WkDocumentView {
    Q_OBJECT
public:
    /// Attaches itself to `document` and shows the lines it holds.
    WkLogView(std::shared_ptr<WkLogDoc> document, QWidget* parent = nullptr);
    ~WkLogView() override;

    WkLogDoc& Document() const { return *document_; }
    /// The prompts the window's commands ask through (not owned; null: none are asked).
    void SetPrompts(WkPrompts* prompts) { prompts_ = prompts; }

    /// "Add to Macro" in the context menu hands the line of the row under the mouse to
    /// `action`; the entry is there while an action is set and enabled on lines that hold a
    /// frame.
    void SetAddToMacro(std::function<bool(const std::string& line)> action);

    /// Every line kept, the marker line first.
    std::vector<std::string> Lines() const;
    /// The rows shown as text, each line followed by a line end.
    QString toPlainText() const;
    /// The text of the selected rows, in row order.
    std::vector<std::string> SelectedLines() const;

    QTableView* Table() const { return table_; }
    WkLogTableModel* Model() const { return model_; }
    /// The context menu of the rows; other parts of the program may add entries to it.
    QMenu* ContextMenu() const { return contextMenu_; }

    /// The character format of the whole window.
    void ApplyFont(const WkLogFont& font);
    /// The font dialog; on OK the whole window takes the chosen format.
    void ChooseFont();
    /// Prints the rows shown as text on `printer` with margins of 720 twips.
    void PrintOn(QPrinter& printer) override;

    // WkDocumentView: print, font, and copy of the selected rows.
    WkViewCommandSet AvailableCommands() const override;
    void RunCommand(WkViewCommand command) override;

    /// Searches the rows for the search field's text, after (or before) the current row.
    void FindNext();
    void FindPrevious();
    void SetPlainText(bool plain);

public slots:
    /// Puts the text of the selected rows on the clipboard.
    void copy();

private:
    void BuildFilterBar();
    void BuildContextMenu();
    void ApplyFilter();
    void Find(bool forward);
    /// The port column and the port filter, while lines of more than one port are kept.
    void ShowPorts();

    std::shared_ptr<WkLogDoc> document_;
    WkPrompts* prompts_ = nullptr;
    WkLogTableModel* model_;
    QTableView* table_;
    QLineEdit* address_ = nullptr;
    QComboBox* command_ = nullptr;
    QComboBox* direction_ = nullptr;
    QComboBox* port_ = nullptr;
    std::vector<int> listedPorts_; ///< the ports the port filter offers
    QCheckBox* errorsOnly_ = nullptr;
    QLineEdit* search_ = nullptr;
    QCheckBox* plainText_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* addToMacroAction_ = nullptr;
    std::function<bool(const std::string&)> addToMacro_;
    std::optional<std::uint64_t> menuRow_; ///< the row the context menu was opened on
    std::unique_ptr<WkLogViewFeed> feed_;
    QTimer* redrawTimer_;
    bool following_ = true;
};
