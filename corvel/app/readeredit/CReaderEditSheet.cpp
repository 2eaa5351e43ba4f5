#include "CReaderEditSheet.h"

#include "WkQtText.h"
#include "WkRecordingPage.h"

#include <QWidget>

namespace {
// Tab order: the command panel, then the seven configuration pages.
const char* const kCaptions[] = {"Miscellaneous Commands",    "Auto Answer Mode",
                                 "Auto Answer Interface",     "Reader Settings",
                                 "Input Configuration",       "Output Configuration",
                                 "Password/Authentification", "Transponder Settings"};
} // namespace

CReaderEditSheet::CReaderEditSheet(WkReaderEditDoc&, QWidget* parent) : QTabWidget(parent) {
    bool first = true;
    for (const char* caption : kCaptions) {
        pages_.push_back(std::make_unique<WkRecordingPage>(caption, first));
        addTab(new QWidget(this), ToQt(caption));
        first = false;
    }
}

CReaderEditSheet::~CReaderEditSheet() = default;

std::vector<WkReaderEditPage*> CReaderEditSheet::Pages() const {
    std::vector<WkReaderEditPage*> pages;
    for (const auto& page : pages_) {
        pages.push_back(page.get());
    }
    return pages;
}
