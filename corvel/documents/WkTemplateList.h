#pragma once
// The registered document templates, in registration order.

#include <memory>
#include <string>
#include <vector>

class WkDocTemplate;

class WkTemplateList {
public:
    WkTemplateList();
    ~WkTemplateList();

    WkDocTemplate& Register(std::unique_ptr<WkDocTemplate> docTemplate);
    /// The first template whose document name equals `name` exactly; null when none does.
    WkDocTemplate* Find(const std::string& name) const;
    const std::vector<std::unique_ptr<WkDocTemplate>>& All() const { return templates_; }

private:
    std::vector<std::unique_ptr<WkDocTemplate>> templates_;
};
