#pragma once
// The widget of one configuration page, built from the page's table: a frame per group with
// its controls, grids where the table gives columns. It shows what the page logic holds and
// forwards edits; a right-click inside a group's frame offers that group's send and read.

#include "WkConfigPage.h"

#include <QWidget>
#include <map>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;

class CConfigPageWidget : public QWidget {
    Q_OBJECT
public:
    /// `page` must outlive the widget.
    CConfigPageWidget(WkConfigPage& page, QWidget* parent = nullptr);

    /// The frame of group `group` (its table name), or null.
    QGroupBox* Frame(const std::string& group) const;
    /// What a right-click at `pos` (widget coordinates) offers: the entries of the group
    /// whose frame holds the point; none outside every frame.
    std::vector<WkMenuEntry> MenuAt(const QPoint& pos) const;
    /// Shows the page's values.
    void Refresh();

signals:
    /// A dialog button of the page (its control number) was pressed.
    void dialogRequested(int id);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Control {
        QWidget* box = nullptr; ///< what is shown or hidden with the control
        QCheckBox* check = nullptr;
        QButtonGroup* radios = nullptr;
        QComboBox* list = nullptr;
        QLineEdit* edit = nullptr;
    };
    QWidget* Build(std::size_t index);
    std::string FrameAt(const QPoint& pos) const;

    WkConfigPage& page_;
    std::vector<Control> controls_;
    std::map<std::string, QGroupBox*> frames_;
    bool refreshing_ = false;
};
