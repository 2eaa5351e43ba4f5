#include "WkReaderChoice.h"

#include "WkLibraries.h"

#include <cstdio>
#include <cstdlib>

WkReaderChoice WkReaderChoice::FromDocuments(const std::vector<WkReaderDocInfo>& documents,
                                             WkLibraries& libraries) {
    WkReaderChoice choice;
    for (const WkReaderDocInfo& doc : documents) {
        std::string portHandleText = "0";
        libraries.GetReaderPara(doc.readerHandle, "porthnd", portHandleText);
        int portHandle = std::atoi(portHandleText.c_str());
        std::string portText = "-";
        if (portHandle > 0) {
            std::string number;
            libraries.GetPortPara(portHandle, "PortNr", number);
            portText = number;
        }
        char address[16];
        std::snprintf(address, sizeof address, "%3d", doc.busAddress);
        WkReaderSelection entry{doc.readerHandle, address, doc.storedName, portText};
        choice.texts_.push_back("BusAdr: " + entry.busAddress + "  COM:" + portText +
                                "  File:" + doc.storedName);
        choice.entries_.push_back(std::move(entry));
    }
    return choice;
}

std::optional<WkReaderSelection> WkReaderChoice::ResultFor(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) {
        return std::nullopt;
    }
    return entries_[index];
}
