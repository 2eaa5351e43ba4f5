#include "WkComPortChoice.h"

#include "WkLibraries.h"

WkComPortChoice::WkComPortChoice(std::vector<std::string> texts, std::vector<int> handles)
    : texts_(std::move(texts)), handles_(std::move(handles)) {}

WkComPortChoice WkComPortChoice::FromLibraries(WkLibraries& libraries) {
    std::vector<std::string> texts;
    std::vector<int> handles;
    // A port list that loops would otherwise never end; Sorn has at most 256 ports.
    int port = libraries.NextPort(0);
    for (int guard = 0; port > 0 && guard < 256; ++guard) {
        std::string number;
        std::string baud;
        std::string frame;
        std::string timeout;
        libraries.GetPortPara(port, "PortNr", number);
        libraries.GetPortPara(port, "baud", baud);
        libraries.GetPortPara(port, "frame", frame);
        libraries.GetPortPara(port, "timeout", timeout);
        texts.push_back("COM:" + number + "  [Baud:" + baud + "; Frame:" + frame +
                        "; Timeout:" + timeout + "ms]");
        handles.push_back(port);
        port = libraries.NextPort(port);
    }
    return WkComPortChoice(std::move(texts), std::move(handles));
}

std::optional<int> WkComPortChoice::ImmediateResult() const {
    if (handles_.empty()) {
        return 0;
    }
    if (handles_.size() == 1) {
        return ResultFor(0);
    }
    return std::nullopt;
}

int WkComPortChoice::ResultFor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= handles_.size()) {
        return 0;
    }
    if (texts_[index] == "None") {
        return 0;
    }
    return handles_[index];
}
