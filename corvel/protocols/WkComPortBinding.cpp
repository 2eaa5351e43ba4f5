#include "WkComPortBinding.h"

#include "WkLibraries.h"
#include "WkProtocolListDoc.h"
#include "WkProtocolServices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

WkComPortBinding::WkComPortBinding(WkProtocolListDoc& document, const WkProtocolServices& services)
    : document_(document), services_(services) {}

void WkComPortBinding::Start() {
    text_ = std::to_string(document_.GetPortNumber());
    const int reader = document_.GetReaderHandle();
    if (reader == 0 || services_.libraries == nullptr) {
        entries_.assign(1, kNone);
        selected_ = 0;
        enabled_ = false;
        return;
    }
    enabled_ = true;
    if (document_.GetPortNumber() == 0 && services_.selectComPort) {
        const int port = services_.selectComPort();
        if (port < 0) {
            char text[96];
            std::snprintf(text, sizeof text, kOpenFailed, port);
            document_.GetPrompts().ShowMessage(text);
        } else if (port > 0) {
            std::string number;
            services_.libraries->GetPortPara(port, "PortNr", number);
            document_.SetPortNumber(std::atoi(number.c_str()));
            text_ = number;
            services_.libraries->SetReaderPara(reader, "porthnd", std::to_string(port));
        }
    }
    Fill();
    SelectText();
    Apply(selected_);
}

void WkComPortBinding::Fill() {
    entries_.assign(1, kNone);
    if (services_.libraries == nullptr || !enabled_) {
        return;
    }
    WkLibraries& libraries = *services_.libraries;
    // The walk ends at 0 or below; a list that comes back to its start ends it too.
    for (int port = libraries.NextPort(0); port > 0 && entries_.size() <= 256;
         port = libraries.NextPort(port)) {
        std::string number;
        libraries.GetPortPara(port, "PortNr", number);
        entries_.push_back(number);
    }
    SelectText();
}

void WkComPortBinding::SelectText() {
    auto found = std::find(entries_.begin() + 1, entries_.end(), text_);
    selected_ = found == entries_.end() ? 0 : static_cast<int>(found - entries_.begin());
}

void WkComPortBinding::Unbind() {
    text_.clear();
    selected_ = 0;
    document_.SetPortNumber(0);
    if (services_.libraries != nullptr && document_.GetReaderHandle() != 0) {
        services_.libraries->SetReaderPara(document_.GetReaderHandle(), "PortHnd", "0");
    }
}

void WkComPortBinding::Apply(int index) {
    if (!enabled_) {
        return;
    }
    if (index <= 0 || index >= static_cast<int>(entries_.size())) {
        Unbind();
        return;
    }
    const std::string number = entries_[static_cast<std::size_t>(index)];
    const int port = services_.libraries->GetPortHandle(number);
    if (port < 1) {
        Unbind();
        return;
    }
    services_.libraries->SetReaderPara(document_.GetReaderHandle(), "PortHnd",
                                       std::to_string(port));
    document_.SetPortNumber(std::atoi(number.c_str()));
    text_ = number;
    selected_ = index;
}
