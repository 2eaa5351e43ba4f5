#pragma once
// One reader object: the port it talks through, its parameters and flags, the records of its
// last exchange, its log lines, its event handlers and its scan thread.

#include "EventHandlerList.h"
#include "FrameCodec.h"
#include "ScanThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

/// What a command asks of one exchange.
struct CommandRequest {
    int busAddress = 0;
    int command = 0;
    const unsigned char* data = nullptr;
    int dataLength = 0;
    bool paced = false;                 ///< EEPROM write: keep the 50 ms gap
    bool repeatOnNoTransponder = false; ///< repeat on status 0x01 up to REPCNT times
};

/// The answer of an exchange whose result is a status byte. The data is followed by zeros, so
/// a decoder reading a fixed field beyond a short answer reads zeros, never stale bytes.
struct CommandAnswer {
    int status = 0;
    unsigned char data[256] = {};
    int dataLength = 0;
};

class Reader : public std::enable_shared_from_this<Reader> {
public:
    static constexpr int kRecordSize = 1024;
    static constexpr int kScanBufferSize = 2048;

    Reader(int handle, int portHandle);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    int Handle() const { return handle_; }
    int PortHandle() const { return portHandle_.load(); }
    int LastError() const { return lastError_; }
    void SetLastError(int code) { lastError_ = code; }

    /// Reader parameters by upper-cased key (the all-reader keys are served by the registry).
    int GetParameter(const std::string& key, char* value);
    int SetParameter(const std::string& key, const char* value);

    /// Builds a request; a failure becomes the reader's last error.
    int Build(int busAddress, int command, const unsigned char* data, int dataLength,
              unsigned char* frame);
    /// Checks an answer; a failure becomes the reader's last error, success sets it to 0.
    int Check(const unsigned char* frame, int received, AnswerParts& parts);

    /// The exchange procedure shared by every command. Returns the status byte (answer filled)
    /// or a negative code; every step leaves its log line.
    int Exchange(const CommandRequest& request, CommandAnswer& answer);

    /// SORN_Transceive that waits on for the request's own answer. A frame that does not
    /// answer a request frame (a reader in auto-answer mode sends them unasked) is handed to
    /// the application as an auto-answer line, the bytes alone as the auto-answer thread
    /// shows them, and the next frame is asked for (SORN_NextAnswer) until one answers or
    /// the port's time-out passes. Without an answer, a lone frame stands as the answer, as
    /// it always has; after several, nothing answered: SORN_ERR_NOTHING_RECEIVED. Returns the
    /// serial-port library's result, with the bytes it stands for in `answer`.
    int TransceiveOwnAnswer(const unsigned char* request, int length, unsigned char* answer,
                            int answerSize);

    /// Log lines of an exchange; each also hands its line to the application.
    void WriteSendLine(const unsigned char* bytes, int count);
    void WriteReceiveLine(const unsigned char* bytes, int count, int code);
    /// Built and handed over only while LOGPROT is on.
    void WriteErrorLine(int code);

    int LastSendProt(char* prot, int hexFlag);
    int LastRecProt(char* prot, int hexFlag);
    std::uint8_t LastStatus();

    /// True while a hand-over of this reader runs (on any thread).
    bool HandOverBusy() const { return handOversRunning_.load() > 0; }
    void SetHandOverLocked(bool locked) { handOverLocked_.store(locked); }
    bool HandOverLocked() const { return handOverLocked_.load(); }

    /// Enters a hand-over: busy first, then the lock is checked, and a locked hand-over backs
    /// out (false). So an application that sets the lock and then sees no hand-over busy
    /// knows that none starts after it. Each true is followed by one EndHandOver.
    bool BeginHandOver();
    void EndHandOver() { handOversRunning_.fetch_sub(1); }

    /// Tests only: called inside BeginHandOver between its two steps (null: none).
    static void SetHandOverEntryHook(void (*hook)());

    EventHandlerList& Handlers() { return handlers_; }
    ScanThread& Scan() { return scan_; }

    /// Scan data: copies the bytes into the last-answer record and delivers channel 4.
    /// Runs on the scan thread inside a hand-over (BeginHandOver).
    void StoreScanData(const unsigned char* bytes, int count);
    bool ConvHexToString() const { return convHexToString_.load(); }
    /// The buffer the scan thread receives into; it lives as long as the reader, so a posted
    /// pointer to it stays readable until the next receive.
    unsigned char* ScanBuffer() { return scanBuffer_; }

private:
    void StoreAnswer(const unsigned char* bytes, int count);
    void HandOverSendLine();
    /// The bytes of a frame that answered nothing, as an auto-answer line in `record`.
    void BuildAutoAnswerLine(char* record, const unsigned char* bytes, int count);
    void HandOverLine(int channel, const char* line, int code);
    int AttemptExchange(const CommandRequest& request, const unsigned char* frame, int length,
                        CommandAnswer& answer);

    const int handle_;
    std::atomic<int> portHandle_;
    int lastError_ = 0;
    bool logProt_ = false;
    bool sendProtToApp_ = false;
    bool chkRecBusAdr_ = false;
    int repCnt_ = 0;
    std::atomic<bool> convHexToString_{false};
    // Hand-overs can run on the command thread and the scan thread at once: a count, so one
    // ending does not clear busy while the other still runs.
    std::atomic<int> handOversRunning_{0};
    std::atomic<bool> handOverLocked_{false};

    unsigned char lastRequest_[kRecordSize] = {};
    // The scan thread writes the answer record too; the mutex keeps a reader of the record
    // from seeing half of it.
    std::mutex answerMutex_;
    unsigned char lastAnswer_[kRecordSize] = {};
    std::uint8_t lastStatus_ = 0;

    char sendLine_[kRecordSize] = {};
    char receiveLine_[kRecordSize] = {};
    char errorLine_[kRecordSize] = {};
    char hexRequest_[kRecordSize] = {};
    char autoAnswerLine_[kRecordSize] = {};
    char firstPassedLine_[kRecordSize] = {};
    unsigned char scanBuffer_[kScanBufferSize] = {};

    EventHandlerList handlers_;
    ScanThread scan_;
};
