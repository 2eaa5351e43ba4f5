#include "WkTemplateList.h"

#include "WkDocTemplate.h"

WkTemplateList::WkTemplateList() = default;
WkTemplateList::~WkTemplateList() = default;

WkDocTemplate& WkTemplateList::Register(std::unique_ptr<WkDocTemplate> docTemplate) {
    templates_.push_back(std::move(docTemplate));
    return *templates_.back();
}

WkDocTemplate* WkTemplateList::Find(const std::string& name) const {
    for (const auto& t : templates_) {
        if (t->DocumentName() == name) {
            return t.get();
        }
    }
    return nullptr;
}
