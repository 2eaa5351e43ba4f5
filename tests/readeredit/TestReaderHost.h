#pragma once
// The reader editor's host for tests: the real reader and serial-port libraries, scripted
// dialogs, and transponder documents that record what they are told.

#include "Prompts.h"
#include "WkLinkedLibraries.h"
#include "WkReaderEditHost.h"
#include "WkTransponderLink.h"
#include "velk.h"

#include <memory>
#include <string>
#include <vector>

struct RecordingTransponder : WkTransponderLink {
    std::vector<std::string> told;
    int closings = 0;
    void OnReaderParameter(const std::string& key, const std::string& value) override {
        told.push_back(key + "=" + value);
    }
    void OnReaderClosing() override { ++closings; }
};

class TestReaderHost : public WkReaderEditHost {
public:
    explicit TestReaderHost(Prompts& prompts) : prompts_(prompts) {}

    int readerType = 0;  ///< what "Select a Reader Type" answers
    int portChoice = 0;  ///< what "Select a COM-Port" answers
    int portDialogs = 0; ///< how often it was shown
    std::vector<std::filesystem::path> folders;
    bool transTemplate = true;
    std::vector<std::string> openedPaths;
    std::vector<std::unique_ptr<RecordingTransponder>> transponders;
    std::vector<int> hints;
    std::vector<std::string> protocolLines; ///< what reached the protocol window
    WkLinkedLibraries libraries;

    int CreateReaderObject(int portHandle) override {
        const int reader = VELK_NewReader(0);
        if (reader > 0) {
            VELK_SetReaderPara(reader, "PortHnd", std::to_string(portHandle).c_str());
            VELK_SetReaderPara(reader, "LogProt", "1");
            VELK_SetReaderPara(reader, "SendProtToApp", "0");
        }
        return reader;
    }
    int DeleteReader(int handle) override { return VELK_DeleteReader(handle); }
    int SelectComPort() override {
        ++portDialogs;
        return portChoice;
    }
    int SelectReaderType() override { return readerType; }
    WkLibraries& Libraries() override { return libraries; }
    Prompts& UserPrompts() override { return prompts_; }
    bool AppendToProtocolWindow(const std::string& text) override {
        protocolLines.push_back(text);
        return true;
    }
    WkTransponderLink* OpenTransponderDocument(const std::string& path, bool& noTemplate) override {
        noTemplate = !transTemplate;
        if (!transTemplate) {
            return nullptr;
        }
        openedPaths.push_back(path);
        transponders.push_back(std::make_unique<RecordingTransponder>());
        return transponders.back().get();
    }
    void UpdateTransponderViews(WkTransponderLink&, int hint) override { hints.push_back(hint); }
    std::vector<std::filesystem::path> DataFolders() override { return folders; }

private:
    Prompts& prompts_;
};
