#pragma once
// What the protocol and macro editors' windows share: the list of rows with its column
// widths, the buttons, the COM combo and the "Edit Protocol" dialog. The rules are the view
// model's; this widget shows its rows and forwards what the user does.

#include "CProtEditDlg.h"
#include "WkDocumentView.h"
#include "WkProtocolEditPrompt.h"
#include "WkProtocolServices.h"
#include "WkViewObserver.h"

#include <QWidget>
#include <array>
#include <memory>

class CorvelApp;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class WkElidedLabel;
class WkProtocolListDoc;
class WkProtocolListModel;

class WkProtocolListView : public QWidget,
                           public WkDocumentView,
                           public WkProtocolEditPrompt,
                           public WkViewObserver {
    Q_OBJECT
public:
    ~WkProtocolListView() override;

    QTreeWidget* List() const { return list_; }
    QComboBox* ComPortCombo() const { return combo_; }
    /// The first button: "&Send" or "&Run".
    QPushButton* ActionButton() const { return actionButton_; }
    WkElidedLabel* OutcomeLabel() const { return outcome_; }

    // WkDocumentView: the Edit menu. Cut and Delete delete (after the question), Copy copies
    // the selected row's item, Insert and Paste insert the copy.
    WkViewCommandSet AvailableCommands() const override;
    void RunCommand(WkViewCommand command) override;

    // WkProtocolEditPrompt: the "Edit Protocol" dialog.
    bool EditItem(WkProtocolItem& item) override;
    // WkViewObserver: a protocol appended from outside shows at once.
    void OnUpdate(WkViewObserver* sender, int hint) override;

    /// A list column: its title, its width in pixels and whether it is centred.
    struct Column {
        const char* title;
        int width;
        bool centred;
    };

protected:
    /// `document` is kept alive by the view; `model` belongs to the derived view and is set
    /// with SetModel before the view is shown.
    WkProtocolListView(CorvelApp& app, std::shared_ptr<WkProtocolListDoc> document,
                       CProtEditDlg::Form form, const std::array<Column, 3>& columns,
                       const char* actionText, const char* listLabel, QWidget* parent);
    void SetModel(WkProtocolListModel* model);
    /// The view model's first show: rows, COM combo (and its port dialog).
    void Start();

    /// Shows the model's rows and selection, and enables the row buttons.
    void ShowRows();
    /// Takes the list's current row into the model.
    void TakeSelection();
    /// The status bar of the main window, when there is one.
    void ShowStatus(const std::string& text);
    /// The line under the buttons: what the last Send or Run came to.
    void ShowOutcome();

    virtual void OnAction() = 0;
    /// Inserts the clipboard item where the editor puts it.
    virtual void InsertClipboard() = 0;
    /// The row context menu at `pos` (list viewport coordinates).
    virtual void ShowRowMenu(const QPoint& pos) = 0;

    // The commands both lists have.
    void NewItem();
    void EditSelected();
    void DeleteSelected();
    void CopySelected();

    bool eventFilter(QObject* watched, QEvent* event) override;

    std::shared_ptr<WkProtocolListDoc> document_;
    WkProtocolServices services_;

private:
    void ShowCombo();

    WkProtocolListModel* model_ = nullptr;
    CProtEditDlg::Form form_;
    QTreeWidget* list_;
    QComboBox* combo_;
    QPushButton* actionButton_;
    QPushButton* newButton_;
    QPushButton* editButton_;
    QPushButton* deleteButton_;
    WkElidedLabel* outcome_;
};
