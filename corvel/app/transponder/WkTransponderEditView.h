#pragma once
// The transponder editor's form: the command list, the transponder's type, serial number and
// ID, the data rows with their scroll bar, the password edits, the ZiduzeDavi combo and the
// action button. It shows WkTransponderEditModel and forwards every user action to it.

#include "WkDocumentView.h"
#include "WkTransponderEditModel.h"
#include "WkViewObserver.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QStackedWidget;
class WkElidedLabel;
class WkTransponderEditDoc;

class WkTransponderEditView : public QWidget, public WkViewObserver, public WkDocumentView {
    Q_OBJECT
public:
    /// The view observes `document` (kept alive by the view) from construction to destruction.
    explicit WkTransponderEditView(std::shared_ptr<WkTransponderEditDoc> document,
                                   QWidget* parent = nullptr);
    ~WkTransponderEditView() override;

    WkTransponderEditModel& Model() { return model_; }

    // The controls, for the frame and for tests.
    QListWidget* CommandList() const { return list_; }
    QLineEdit* DataEdit(int index) const { return data_[static_cast<std::size_t>(index)]; }
    QLabel* RowLabel(int row) const { return rowLabels_[static_cast<std::size_t>(row)]; }
    QPushButton* ActionButton() const { return action_; }
    QPushButton* EditSnrButton() const { return editSnr_; }
    WkElidedLabel* StatusLabel() const { return status_; }
    WkElidedLabel* OutcomeLabel() const { return outcome_; }
    QLineEdit* TypeEdit() const { return type_; }
    QScrollBar* RowScrollBar() const { return scroll_; }
    QGroupBox* DataGroup() const { return group_; }
    /// The popup of the command list for entry `row`, as a right click opens it.
    void ShowPopupFor(int row, const QPoint& globalPosition);

    /// The "Edit Serial Number" dialog: a number 0 .. 4294967295, nothing for Cancel.
    static std::optional<std::uint32_t> AskSerialNumber(QWidget* parent, std::uint32_t initial);

    // WkViewObserver
    void OnUpdate(WkViewObserver* sender, int hint) override;
    bool CommitEdits() override;

    // WkDocumentView: the form has no Print, Font or Edit commands of its own.
    WkViewCommandSet AvailableCommands() const override { return {}; }
    void RunCommand(WkViewCommand) override {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void Connect();
    // Fields and page of the model into the controls, without echoing signals.
    void Refresh();
    void Execute();
    void EditedHex(QLineEdit* edit, bool valid);

    std::shared_ptr<WkTransponderEditDoc> document_;
    WkTransponderEditModel model_;
    QListWidget* list_ = nullptr;
    QLineEdit* type_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QRadioButton* decimal_ = nullptr;
    QRadioButton* hex_ = nullptr;
    QSpinBox* idLength_ = nullptr;
    QLineEdit* idNumber_ = nullptr;
    QGroupBox* group_ = nullptr;
    QSpinBox* address_ = nullptr;
    QComboBox* blocks_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    std::array<QLabel*, 4> rowLabels_{};
    std::array<QLineEdit*, 16> data_{};
    std::array<QLineEdit*, 4> password_{};
    QComboBox* crypt_ = nullptr;
    QPushButton* action_ = nullptr;
    QPushButton* editSnr_ = nullptr;
    WkElidedLabel* status_ = nullptr;
    WkElidedLabel* outcome_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* dataControls_ = nullptr;
    QWidget* passwordControls_ = nullptr;
};
