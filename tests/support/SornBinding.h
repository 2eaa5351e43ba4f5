#pragma once
// The workbench's library calls bound to the real serial-port library, for tests over ptys.
// The reader library is not called: reader parameters are kept in a table of the test's own.
// Every SetPortPara is recorded, so a test can check the order in which parameters go out.

#include "WkLinkedLibraries.h"

#include <map>
#include <string>
#include <vector>

class SornBinding : public WkLinkedLibraries {
public:
    ~SornBinding() override;

    /// "key=value" of every SetPortPara, in order.
    std::vector<std::string> setCalls;
    /// Reader parameters by reader handle and key (lower case).
    std::map<int, std::map<std::string, std::string>> readerParams;

    std::string VelkVersion() override { return "02.03.00"; }
    int NewReader(int portHandle) override;
    int SetReaderPara(int reader, const std::string& key, const std::string& value) override;
    int GetReaderPara(int reader, const std::string& key, std::string& value) override;
    void SetProtocolCallback(WkProtocolCallback) override {}

    int SetPortPara(int port, const std::string& key, const std::string& value) override;
    void SetLineListener(LineListener listener) override;

    /// Delivers a line event as the library's event thread would, to the listener set last.
    static void EmitLineEvent(int port, int event, int message, int state);
    /// Closes every port the library has open.
    static void CloseAllPorts();

private:
    int nextReader_ = 1;
};
