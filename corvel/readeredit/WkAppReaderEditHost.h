#pragma once
// The reader editor's host bound to the application object and the reader library.

#include "WkReaderEditHost.h"

class CorvelApp;

class WkAppReaderEditHost : public WkReaderEditHost {
public:
    /// `app` is not owned and must outlive the host.
    explicit WkAppReaderEditHost(CorvelApp& app) : app_(app) {}

    int CreateReaderObject(int portHandle) override;
    int DeleteReader(int handle) override;
    int SelectComPort() override;
    int SelectReaderType() override;
    WkLibraries& Libraries() override;
    Prompts& UserPrompts() override;
    bool AppendToProtocolWindow(const std::string& text) override;
    WkTransponderLink* OpenTransponderDocument(const std::string& path, bool& noTemplate) override;
    void UpdateTransponderViews(WkTransponderLink& transponder, int hint) override;
    std::vector<std::filesystem::path> DataFolders() override;

private:
    CorvelApp& app_;
};
