#pragma once
// The reader document's host in the command-line client: reader objects of the reader library,
// no dialogs (every selection is cancelled), no transponder editor.

#include "Prompts.h"
#include "WkLinkedLibraries.h"
#include "WkReaderEditHost.h"
#include "velk.h"

#include <string>

class KestraReaderHost : public WkReaderEditHost {
public:
    int CreateReaderObject(int portHandle) override {
        const int reader = VELK_NewReader(portHandle);
        if (reader > 0) {
            VELK_SetReaderPara(reader, "PortHnd", std::to_string(portHandle).c_str());
            VELK_SetReaderPara(reader, "SendProtToApp", "0");
        }
        return reader;
    }
    int DeleteReader(int handle) override { return VELK_DeleteReader(handle); }
    int SelectComPort() override { return 0; }
    int SelectReaderType() override { return 0; }
    WkLibraries& Libraries() override { return libraries_; }
    Prompts& UserPrompts() override { return Prompts::Current(); }
    WkTransponderLink* OpenTransponderDocument(const std::string&, bool& noTemplate) override {
        noTemplate = true;
        return nullptr;
    }
    void UpdateTransponderViews(WkTransponderLink&, int) override {}
    std::vector<std::filesystem::path> DataFolders() override { return {}; }

private:
    WkLinkedLibraries libraries_;
};
