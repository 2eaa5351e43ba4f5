#include "CorvelParts.h"

#include "WkAutoAnswerControl.h"
#include "WkPortKeeper.h"

namespace {

class NoPortKeeper : public WkPortKeeper {
public:
    void RestorePorts(const std::filesystem::path&) override {}
    void SavePorts(const std::filesystem::path&) override {}
};

class NoAutoAnswerControl : public WkAutoAnswerControl {
public:
    bool Create() override { return true; }
    bool Show() override { return false; }
    void Stop() override {}
    bool IsOn() const override { return false; }
    void Destroy() override {}
};

} // namespace

WkPortKeeper& CorvelParts::NoPorts() {
    static NoPortKeeper none;
    return none;
}

WkAutoAnswerControl& CorvelParts::NoAutoAnswer() {
    static NoAutoAnswerControl none;
    return none;
}
