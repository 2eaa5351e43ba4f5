#pragma once
// A reader document as a bound transponder document sees it, with what it was told.

#include "WkReaderDocLink.h"
#include "WkTransponderLink.h"

#include <algorithm>
#include <string>
#include <vector>

class FakeReaderDoc : public WkReaderDocLink {
public:
    int handle = 0;
    std::uint8_t busAddress = 0;
    std::string portText = "-";
    std::vector<WkTransponderLink*> linked;
    std::vector<std::string> recordedNames;

    int LinkedReaderHandle() const override { return handle; }
    std::uint8_t LinkedBusAddress() const override { return busAddress; }
    std::string LinkedPortText() const override { return portText; }
    std::string LinkedReaderName() const override { return "reader.rdr"; }
    void LinkTransponder(WkTransponderLink& transponder, const std::string& path) override {
        if (std::find(linked.begin(), linked.end(), &transponder) == linked.end()) {
            linked.push_back(&transponder);
        }
        transponder.OnLinkedTo(*this);
        recordedNames.push_back(path);
    }
    void UnlinkTransponder(WkTransponderLink& transponder) override {
        linked.erase(std::remove(linked.begin(), linked.end(), &transponder), linked.end());
    }

    /// What the reader document does when it closes.
    void Close() {
        for (WkTransponderLink* transponder : std::vector<WkTransponderLink*>(linked)) {
            transponder->OnReaderClosing();
        }
        linked.clear();
    }
};
