#include "WkReaderEditPages.h"

WkReaderEditPages::WkReaderEditPages(WkReaderEditDoc& document) : commands_(document) {
    for (const WkPageTable& table : ReaderPageTables()) {
        pages_.push_back(std::make_unique<WkConfigPage>(table, document));
    }
}

std::vector<WkReaderEditPage*> WkReaderEditPages::All() {
    std::vector<WkReaderEditPage*> all{&commands_};
    for (const auto& page : pages_) {
        all.push_back(page.get());
    }
    return all;
}
