#pragma once
// The reader configuration sheet: a tab per configuration page, the command panel first. Each
// tab holds a page's widget over the page's logic; the view model reaches the pages only
// through their interface.

#include "WkReaderEditPage.h"

#include <QTabWidget>
#include <memory>
#include <vector>

class WkCommandPage;
class WkConfigPage;
class WkReaderEditDoc;

class CReaderEditSheet : public QTabWidget {
    Q_OBJECT
public:
    CReaderEditSheet(WkReaderEditDoc& document, QWidget* parent = nullptr);
    ~CReaderEditSheet() override;

    /// The pages in tab order; owned by the sheet.
    std::vector<WkReaderEditPage*> Pages() const;

signals:
    /// A page's dialog button (its control number) was pressed.
    void dialogRequested(int id);

private:
    std::unique_ptr<WkCommandPage> commands_;
    std::vector<std::unique_ptr<WkConfigPage>> pages_;
};
