#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace sorn {

// One open serial device. Every public member takes the port's lock, so calls on one port
// never interleave on the wire. Results are Sorn codes (ErrorTable.h) or byte counts.
class SerialPort {
public:
    // Opens port `number` (1..256) through the port map: raw, exclusive, no flow control,
    // 9600 baud, "8E1". On success `port` holds the open port and 0 is returned.
    static int Open(int number, std::unique_ptr<SerialPort>& port);
    // Opens the device that port `number` names now, exclusive, without settings; 0 and the
    // descriptor, or the code of the failure.
    static int OpenDevice(int number, int& fd);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    SerialPort(Key, int fd, int number, bool isPty);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int Number() const { return number_; }

    int GetPara(const std::string& key, std::string& value);
    int SetPara(const std::string& key, const std::string& value);
    // Set commands read `in`; Get commands write "ON"/"OFF" into `out` and set `hasOut`.
    int DoCommand(const std::string& command, const std::string& in, std::string& out,
                  bool& hasOut);

    int Transceive(const unsigned char* send, int sendLength, unsigned char* receive,
                   int receiveSize);
    int Transmit(const unsigned char* data, int length);
    int Receive(unsigned char* buffer, int size);

    // For the line-event thread: CTS and DSR states when the device has modem lines and the
    // port is not busy. Returns false when they could not be read this time.
    bool TryReadLines(bool& cts, bool& dsr);

    // For the watch thread, never waiting for a call that runs on the port: notices a device
    // that hung up while nobody used it, and reopens a lost device with the port's settings
    // when its path exists again and "Reconnect" is on.
    void Watch();

private:
    using Clock = std::chrono::steady_clock;

    int SetParaLocked(const std::string& key, const std::string& value);
    int CommandLocked(const std::string& command, const std::string& in, std::string& out,
                      bool& hasOut);
    int TransceiveLocked(const unsigned char* send, int sendLength, unsigned char* receive,
                         int receiveSize);
    int ApplyTermios(int baud, const std::string& frame);
    int ApplyDirectionControl(bool on, int delayMs);
    void ApplyLowLatency(bool on);
    int SetLine(int bit, bool on);
    int WriteAll(const unsigned char* data, int length);
    int WriteLocked(const unsigned char* data, int length);
    // 1 when a byte is readable within `timeoutMs`, 0 on time-out, a negative code when the
    // device failed or went away.
    int WaitReadable(int timeoutMs);
    bool HungUp() const;
    // The device went away: its descriptor is released, and every call on the port answers
    // -1040 until the device is reopened.
    void MarkLost();
    // `rc`, or -1040 after marking the port lost when `rc` tells or the device hung up.
    int Checked(int rc);
    bool Reopen();
    // Reads up to `wanted` bytes into `buffer`, waiting at most the character time-out for
    // each next byte. Returns the count read or a negative code.
    int ReadUntilGap(unsigned char* buffer, int already, int wanted);
    void FlushInput();
    int CharTimeoutMs() const { return charTimeoutMs_ * charTimeoutMpy_; }

    std::mutex mutex_;
    int fd_;           // -1 while the device is lost
    std::string path_; // the device path at the last open
    int number_;
    bool isPty_;
    bool hasModemLines_;
    bool kernelRs485_ = false;

    int baud_ = 9600;
    std::string frame_ = "8E1";
    int blockTimeoutMs_ = 800;
    int charTimeoutMs_ = 20;
    int charTimeoutMpy_ = 1;
    int receiveTimeoutMs_ = 200;
    bool txTimeControl_ = false;
    int txDelayMs_ = 10;
    bool performance_ = true; // "1" = normal
    bool rts_ = false;
    bool dtr_ = false;
    bool lost_ = false;
    int losses_ = 0;
    bool reconnect_ = true;
};

} // namespace sorn
