#pragma once
// The library calls of the application bound to the exports of Velk and Sorn.

#include "WkComPortManager.h"
#include "WkLibraries.h"

class WkLinkedLibraries : public WkLibraries, public WkPortAccess {
public:
    std::string VelkVersion() override;
    int NewReader(int portHandle) override;
    int SetReaderPara(int reader, const std::string& key, const std::string& value) override;
    int GetReaderPara(int reader, const std::string& key, std::string& value) override;
    void SetProtocolCallback(WkProtocolCallback callback) override;
    int SendTransparent(int reader, unsigned char* request, int length, unsigned char* answer,
                        int answerSize, int addChecksum) override;
    std::string ErrorText(int code) override;

    std::string SornVersion() override;
    int NextPort(int portHandle) override;
    int GetPortPara(int port, const std::string& key, std::string& value) override;
    int SetPortPara(int port, const std::string& key, const std::string& value) override;
    int GetPortHandle(const std::string& portNumber) override;
    int OpenPort(const std::string& portNumber) override;
    int ClosePort(int port) override;
    int DoPortCommand(int port, const std::string& command, std::string& value) override;

    // WkPortAccess
    int DetectPort(int number) override;
    int Receive(int port, unsigned char* buffer, int size) override;
    int AddLineHandler(int port, int event, int message) override;
    int DelLineHandler(int port, int event, int message) override;
    void SetLineListener(LineListener listener) override;
    std::string SornErrorText(int code) override;
    std::string DevicePath(const std::string& number) override;
};
