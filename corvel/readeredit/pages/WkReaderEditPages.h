#pragma once
// The eight pages of one reader document's sheet, in tab order: the command panel, then the
// configuration pages 1 to 7. The Qt sheet shows them; tests and benchmarks drive them
// without a window.

#include "WkCommandPage.h"
#include "WkConfigPage.h"

#include <memory>
#include <vector>

class WkReaderEditDoc;

class WkReaderEditPages {
public:
    /// `document` must outlive the pages.
    explicit WkReaderEditPages(WkReaderEditDoc& document);

    WkCommandPage& Commands() { return commands_; }
    /// Pages 1 to 7.
    const std::vector<std::unique_ptr<WkConfigPage>>& ConfigPages() const { return pages_; }
    /// All eight in tab order, for the view model; owned here.
    std::vector<WkReaderEditPage*> All();

private:
    WkCommandPage commands_;
    std::vector<std::unique_ptr<WkConfigPage>> pages_;
};
