#pragma once
// The reader configuration sheet: a tab per configuration page, the command panel first. Each
// tab holds a page's widget over the page's logic; the view model reaches the pages only
// through their interface.

#include "WkReaderEditPages.h"

#include <QTabWidget>
#include <vector>

class WkReaderEditDoc;

class CReaderEditSheet : public QTabWidget {
    Q_OBJECT
public:
    /// `document` must outlive the sheet: its pages work on it until they are destroyed.
    CReaderEditSheet(WkReaderEditDoc& document, QWidget* parent = nullptr);
    ~CReaderEditSheet() override;

    /// The pages in tab order; owned by the sheet.
    std::vector<WkReaderEditPage*> Pages() { return pages_.All(); }
    WkCommandPage& Commands() { return pages_.Commands(); }

signals:
    /// A page's dialog button (its control number) was pressed.
    void dialogRequested(int id);

private:
    WkReaderEditPages pages_;
};
