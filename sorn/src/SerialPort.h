#pragma once

#include "Device.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sorn {

// One open port: its settings, its device (null while the device is lost), and the frame
// logic of exchanges. Results are Sorn codes (ErrorTable.h) or byte counts.
//
// Locking: one mutex guards the state and is never held while anything waits on the device.
// Calls that put bytes on the line or take them off it hold "the line", a token taken under
// that mutex, one call at a time; an exchange keeps the line for its thread until its answer
// has come or its time-out has passed, so an auto-answer frame before the answer never lets
// another caller take the answer. A receive waits for bytes holding only a lease on the
// device, and takes the line just to read what came. Questions about settings and modem
// lines take neither the line nor a wait. Close ends every wait on the device at once.
class SerialPort {
public:
    // Opens port `number` (1..256) through the port map: raw, exclusive, no flow control,
    // 9600 baud, "8E1". Slow devices only slow this call: no lock is held while it opens, and
    // a network device connects and takes its settings within the default block time-out.
    static int Open(int number, std::shared_ptr<SerialPort>& port);

private:
    struct Key {
        explicit Key() = default;
    };

public:
    SerialPort(Key, int number, std::string path, std::string identity,
               std::shared_ptr<Device> device);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int Number() const { return number_; }

    // The port is no longer in the registry: calls waiting on it end (-1001) and the device
    // is closed before this returns.
    void Close();

    int GetPara(const std::string& key, std::string& value);
    int SetPara(const std::string& key, const std::string& value);
    // Set commands read `in`; Get commands write "ON"/"OFF" into `out` and set `hasOut`.
    int DoCommand(const std::string& command, const std::string& in, std::string& out,
                  bool& hasOut);

    int Transceive(const unsigned char* send, int sendLength, unsigned char* receive,
                   int receiveSize);
    // The next frame of this thread's exchange that has not had its answer yet.
    int NextAnswer(unsigned char* receive, int receiveSize);
    int Transmit(const unsigned char* data, int length);
    int Receive(unsigned char* buffer, int size);

    // For the line-event thread: CTS and DSR when the device has modem lines.
    bool ReadLines(bool& cts, bool& dsr);

    // For the watch thread, never waiting for a call on the port: notices a device that hung
    // up while nobody used it, and reopens a lost device with the port's settings when the
    // port map's path leads to the same device again and "Reconnect" is on.
    void Watch();

private:
    using Clock = std::chrono::steady_clock;
    class Use; // SerialPortUse.h

    // The exchange whose answer has not come: its thread, time-out and request.
    struct Exchange {
        bool open = false;
        std::thread::id thread;
        Clock::time_point until;
        std::vector<unsigned char> request;
    };

    // Under mutex_: whether the line is free for this thread (an open exchange of another
    // thread keeps it until its time-out).
    bool LineFreeFor(std::thread::id thread) const;
    // Under mutex_: ends this thread's exchange, if it has one.
    void EndExchangeOf(std::thread::id thread);
    int BlockTimeoutMs();
    int CharTimeoutMs() const { return charTimeoutMs_ * charTimeoutMpy_; }

    // Changes the line settings on the device (holding the line) and keeps them.
    int ChangeLine(const std::function<void(LineSettings&)>& change);
    // Reads the next answer frame, from what earlier reads left over and then from the
    // device: the first whole frame whose LEN and checksum hold, skipping bytes before it
    // that belong to no frame (the tail of a frame already under way). When the line falls
    // silent without one, the bytes as they came, as far as the first byte's LEN reaches. Only
    // data bytes keep the line from falling silent (not a network device's protocol bytes).
    int ReadFrame(Use& use, unsigned char* receive, int receiveSize, Clock::time_point deadline);
    // Keeps `bytes` for the next read of this port.
    void KeepForLater(std::vector<unsigned char> bytes);
    // The device went away: it is let go (closed once the last call on it returns), and
    // calls answer -1040 until it is reopened.
    void MarkLost(const std::shared_ptr<Device>& device);
    // Reopens the lost device when its path leads to the same device as before. A network
    // device is reopened on a thread of the port's own (StartReopening).
    void TryReopen();
    // Connecting may take up to the block time-out, which the watch thread, shared by every
    // port, never waits for: one attempt at a time runs on the port's reopening thread.
    void StartReopening(const std::string& path, const LineSettings& line, bool rts, bool dtr,
                        int timeoutMs);
    // Puts a reopened device in place of the lost one; without one, `reason` is kept for
    // "LostReason".
    void Reinstate(std::shared_ptr<Device> device, const std::string& path, int reason);

    const int number_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<Device> device_; // null while lost or closed
    std::string path_;               // the port map's path at the last open
    std::string identity_;           // what that path led to then
    int users_ = 0;                  // calls holding a lease on the device
    bool lineBusy_ = false;
    Exchange exchange_;
    std::vector<unsigned char> leftover_; // read past an answer, handed out next
    bool closed_ = false;
    bool lost_ = false;
    bool reopening_ = false;          // the reopening thread is at work
    std::shared_ptr<Device> opening_; // the device it opens, for Close to interrupt
    int losses_ = 0;
    int lostReason_ = 0;

    // The watch thread's own: the device node last found to be another device. Until the
    // path leads to another node (a new pseudo-terminal, a device plugged in again), the
    // verdict stands without looking through the processes again.
    struct Node {
        unsigned long device = 0;
        unsigned long inode = 0;
        long long changedNs = 0;
        bool operator==(const Node&) const = default;
    };
    Node refusedNode_;

    std::mutex reopenerMutex_; // guards reopener_, which the watch thread and Close both touch
    std::thread reopener_;

    LineSettings line_;
    int blockTimeoutMs_ = 800;
    int charTimeoutMs_ = 20;
    int charTimeoutMpy_ = 1;
    int receiveTimeoutMs_ = 200;
    bool rts_ = false;
    bool dtr_ = false;
    bool reconnect_ = true;
};

} // namespace sorn
