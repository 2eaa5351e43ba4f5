#include "Prompts.h"

namespace {

class SilentPrompts final : public Prompts {
public:
    void ShowMessage(const std::string&, Icon) override {}
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    int SelectFromList(const std::string&, const std::string&, const std::vector<std::string>&,
                       int) override {
        return -1;
    }
};

SilentPrompts g_silent;
Prompts* g_installed = nullptr;

} // namespace

Prompts& Prompts::Current() {
    return g_installed != nullptr ? *g_installed : g_silent;
}

Prompts* Prompts::Install(Prompts* prompts) {
    Prompts* previous = g_installed;
    g_installed = prompts;
    return previous;
}
