#pragma once
// The calls the workbench makes into the reader library and the serial-port library. The
// program binds them to the exports; tests put a scripted fake in their place.

#include <string>

/// The protocol-text callback form of the reader library: a line and a code.
using WkProtocolCallback = void (*)(const char* text, int code);

class WkLibraries {
public:
    virtual ~WkLibraries() = default;

    // Reader library.
    virtual std::string VelkVersion() = 0;
    virtual int NewReader(int portHandle) = 0;
    virtual int SetReaderPara(int reader, const std::string& key, const std::string& value) = 0;
    /// `value` carries the text in and the library's answer out.
    virtual int GetReaderPara(int reader, const std::string& key, std::string& value) = 0;
    virtual void SetProtocolCallback(WkProtocolCallback callback) = 0;

    // Serial-port library.
    virtual std::string SornVersion() = 0;
    /// 0 gives the first open port, a handle the next one; 0 or less ends the walk.
    virtual int NextPort(int portHandle) = 0;
    virtual int GetPortPara(int port, const std::string& key, std::string& value) = 0;
    virtual int SetPortPara(int port, const std::string& key, const std::string& value) = 0;
    virtual int GetPortHandle(const std::string& portNumber) = 0;
    virtual int OpenPort(const std::string& portNumber) = 0;
    virtual int ClosePort(int port) = 0;
    virtual int DoPortCommand(int port, const std::string& command, std::string& value) = 0;
};
