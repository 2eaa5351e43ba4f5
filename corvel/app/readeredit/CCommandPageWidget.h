#pragma once
// The widget of the command panel: the command list, the "Command" frame with the fields the
// chosen command needs, and the result field.

#include "WkCommandPage.h"

#include <QWidget>
#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;

class CCommandPageWidget : public QWidget {
    Q_OBJECT
public:
    /// `page` must outlive the widget.
    CCommandPageWidget(WkCommandPage& page, QWidget* parent = nullptr);
    ~CCommandPageWidget() override;

    /// Shows the page's state.
    void Refresh();
    /// The entries a right-click at `pos` offers: the chosen command's inside the list, the
    /// "Command" frame or the result field; none elsewhere.
    std::vector<WkMenuEntry> MenuAt(const QPoint& pos) const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WkCommandPage& page_;
    QComboBox* list_;
    QGroupBox* frame_;
    std::vector<QWidget*> numberRows_;
    std::vector<QLineEdit*> numbers_;
    QWidget* spinRow_;
    QWidget* passwordRow_;
    std::vector<QLineEdit*> password_;
    QPlainTextEdit* result_;
    bool refreshing_ = false;
};
