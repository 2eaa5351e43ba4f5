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
    /// Sends `length` raw bytes and receives one answer into `answer` (`answerSize` bytes).
    /// With `addChecksum` 1 the library writes the XOR checksum to request[length] and sends
    /// it too, so the request must hold one more byte. Returns the answer's byte count, 0, or
    /// a negative code; a binding without the reader library returns -1.
    virtual int SendTransparent(int reader, unsigned char* request, int length,
                                unsigned char* answer, int answerSize, int addChecksum) {
        (void)reader, (void)request, (void)length, (void)answer, (void)answerSize;
        (void)addChecksum;
        return -1;
    }
    /// The text of a negative code of either library (-1000 .. -1999 the serial-port
    /// library's, else the reader library's); empty for a binding without the libraries.
    virtual std::string ErrorText(int code) {
        (void)code;
        return {};
    }

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
