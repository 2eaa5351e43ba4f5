#pragma once
// The reader configuration sheet: a tab per configuration page, the command panel first. Each
// tab holds a page's widget over the page's logic; the view model reaches the pages only
// through their interface. Until the pages are built the tabs hold stand-ins.

#include "WkReaderEditPage.h"

#include <QTabWidget>
#include <memory>
#include <vector>

class WkReaderEditDoc;

class CReaderEditSheet : public QTabWidget {
    Q_OBJECT
public:
    CReaderEditSheet(WkReaderEditDoc& document, QWidget* parent = nullptr);
    ~CReaderEditSheet() override;

    /// The pages in tab order; owned by the sheet.
    std::vector<WkReaderEditPage*> Pages() const;

private:
    std::vector<std::unique_ptr<WkReaderEditPage>> pages_;
};
