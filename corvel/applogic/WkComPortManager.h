#pragma once
// The workbench's management layer around the serial-port library: the ports of the previous
// run restored from "Corvel.ini" and written back at exit, and everything the COM-Port dialog
// does to a port (open, close, parameters, lines, line events, the documents that use it).
//
// The serial-port library keeps the set of open ports and all their parameters; nothing here
// caches them. Everything runs on the user-interface thread, except the line listener, which
// the library calls on its own thread.

#include "WkPortKeeper.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class ProfileFile;
class Prompts;
class WkLibraries;

/// The serial-port calls the workbench needs besides those of WkLibraries: port detection,
/// unasked reception and line events. The program binds them to the library's exports; tests
/// bind them to a fake or to the real library.
class WkPortAccess {
public:
    /// Called on any thread with the port handle, the event (1 = CTS, 3 = DSR), the message
    /// number of the record and the new line state (1 = on).
    using LineListener = std::function<void(int port, int event, int message, int state)>;

    virtual ~WkPortAccess() = default;
    /// 0 when port `number` exists on the machine.
    virtual int DetectPort(int number) = 0;
    /// Bytes received (> 0); 0 or a negative code when nothing came within the receive
    /// time-out.
    virtual int Receive(int port, unsigned char* buffer, int size) = 0;
    /// Registers a line-event record {event, message} on a port; 0 on success.
    virtual int AddLineHandler(int port, int event, int message) = 0;
    /// Removes a record registered with the same fields; 0 on success.
    virtual int DelLineHandler(int port, int event, int message) = 0;
    /// Where line events go; an empty listener drops them. When this returns, a previous
    /// listener is no longer running and will not be called again.
    virtual void SetLineListener(LineListener listener) = 0;
    /// The library's text of a code; empty when it has none.
    virtual std::string SornErrorText(int /*code*/) { return {}; }
    /// The device path port `number` (decimal text) names; empty when it names none.
    virtual std::string DevicePath(const std::string& /*number*/) { return {}; }
};

/// The parameters of a port as the dialog and the settings file exchange them: texts.
struct WkPortParams {
    std::string baud = "9600";
    std::string frame = "8E1";
    std::string timeout = "800";
    std::string charTimeout = "20";
    std::string txTimeControl = "1";
    std::string performance = "1";
    std::string txDelayTime = "10";
    std::string charTimeoutMpy = "1";

    bool operator==(const WkPortParams&) const = default;
};

/// The four modem lines of a port.
struct WkLineStates {
    bool dtr = false;
    bool rts = false;
    bool cts = false;
    bool dsr = false;

    bool operator==(const WkLineStates&) const = default;
};

/// A document that may use a port, for the association list.
struct WkPortUser {
    enum class Kind { Reader, ProtocolEditor, MacroEditor, AutoAnswer };
    Kind kind = Kind::Reader;
    int readerHandle = 0;
    int busAddress = 0;
    /// A reader document's stored name, a protocol or macro editor's file name.
    std::string name;
};

class WkComPortManager : public WkPortKeeper {
public:
    /// Line-event messages of the two records the dialog registers.
    static constexpr int kCtsEvent = 1;
    static constexpr int kCtsMessage = 0x42F;
    static constexpr int kDsrEvent = 3;
    static constexpr int kDsrMessage = 0x431;
    static constexpr int kSectionCount = 4;
    static constexpr int kHighestPort = 256;

    /// `libraries`, `access` and `prompts` are not owned and must outlive the manager.
    WkComPortManager(WkLibraries& libraries, WkPortAccess& access, Prompts& prompts);
    ~WkComPortManager() override;
    WkComPortManager(const WkComPortManager&) = delete;
    WkComPortManager& operator=(const WkComPortManager&) = delete;

    /// Where the ports are kept when the settings file cannot be written (a read-only run
    /// folder), and read from when the run folder has none. Empty (the default): nowhere.
    void SetFallbackSettingsPath(std::filesystem::path path) { fallbackPath_ = std::move(path); }
    /// $XDG_CONFIG_HOME/corvel/Corvel.ini, else ~/.config/corvel/Corvel.ini; empty without
    /// either variable.
    static std::filesystem::path DefaultFallbackSettingsPath();

    // WkPortKeeper
    /// Reads `settingsPath`, or the fallback file when `settingsPath` does not exist and the
    /// fallback does; "not found" is told when neither exists.
    void RestorePorts(const std::filesystem::path& settingsPath) override;
    /// Does nothing unless RestorePorts ran: a run that ended before it never had the ports
    /// of the settings file. A section whose port could not be restored (no device, a value
    /// the library refused) stays as it is, unless the user opened or closed that port
    /// number during the run; the open ports fill the other sections in the library's order.
    /// A value that is already in the file is not written again. When `settingsPath` cannot
    /// be written the ports go to the fallback file, and the user is told once which file
    /// could not be written and why (not again while the ports come from the fallback).
    void SavePorts(const std::filesystem::path& settingsPath) override;

    /// Section name of settings section `n` (1 .. 4): "n.COMPort".
    static std::string SectionName(int n);

    /// The first open port whose "PortNr" is `number`; otherwise the value that ended the
    /// walk (0 or less).
    int FindHandleByNumber(int number);
    /// The port numbers 1 .. 256 that exist on the machine.
    std::vector<int> DetectedPorts();
    /// The port box's entry for port `number`: "%d", with the address of a port behind a
    /// device server after it ("3: rfc2217://dock-gw:4001").
    std::string PortBoxText(int number);
    /// The port number of a port box entry ("3: rfc2217://dock-gw:4001" gives 3); 0 for
    /// "None" or anything that is not such an entry.
    static int NumberOfPortBoxEntry(const std::string& entry);
    /// Whether the line settings and modem lines of port `number` reach its line: not on a raw
    /// TCP port ("tcp://"), whose device server keeps its own, nor on an open port whose
    /// server refused to carry them.
    bool CarriesLines(int number);
    /// "COM:%s" for every open port in the library's order, or the single entry "None".
    std::vector<std::string> OpenPortTexts();
    /// The port number of an open-ports entry ("COM:12" gives 12); 0 for "None" or anything
    /// that is not such an entry.
    static int NumberOfEntry(const std::string& entry);

    /// Where the association list finds the open reader, protocol and macro documents.
    void SetPortUsersSource(std::function<std::vector<WkPortUser>()> source);
    /// The port handle auto-answer reads while it is on, else 0.
    void SetAutoAnswerPortSource(std::function<int()> source);
    /// "BusAdr:%3d - %s" for each reader document, "ProtEdit - %s" for each protocol editor
    /// and "MacroEdit - %s" for each macro editor whose reader uses port `number`, then
    /// "Auto Answer" when auto-answer reads it; the single entry "None" when there is none
    /// (also for number 0).
    std::vector<std::string> AssociationList(int number);

    /// Sets "baud", "frame", "timeout", "TxTimeControl", "Performance", "TxDelayTime",
    /// "CharTimeoutMpy" in this order. A refused value does not stop the others: what was
    /// accepted stays applied. The first refusal is shown, and its library key ("timeout")
    /// goes to `refusedKey` when given. `portText` names the port in the message. True when
    /// all were set.
    bool ApplyParameters(int port, const std::string& portText, const WkPortParams& params,
                         std::string* refusedKey = nullptr);
    /// The port's parameters as the library reports them; a key the library does not answer
    /// keeps its default.
    WkPortParams ReadParameters(int port);
    /// The four lines of `port` (all off for port 0).
    WkLineStates LineStates(int port);
    /// "SetRTS" or "SetDTR" (`line` is "RTS" or "DTR") with "ON" or "OFF"; the library's code.
    int SetLine(int port, const std::string& line, bool on);
    /// Whether the library reopens the port's device when it comes back after a loss.
    bool Reconnects(int port);
    int SetReconnect(int port, bool on);

    /// Told of a device that went away or came back: the port handle, whether it is back, the
    /// protocol-window line (time stamp, then the text) and the text alone ("COM 1: device
    /// disconnected").
    using ConnectionNotice =
        std::function<void(int port, bool back, const std::string& line, const std::string& text)>;
    void SetConnectionNotice(ConnectionNotice notice) { notice_ = std::move(notice); }
    /// Looks at every open port and tells each loss and each return once. Called about once a
    /// second on the user-interface thread.
    void CheckConnections();

    /// Registers both line-event records for `port`, after removing them from the port they
    /// were registered for. Port 0 only removes them.
    void WatchLines(int port);
    /// Removes both records from the watched port.
    void UnwatchLines() { WatchLines(0); }
    int WatchedPort() const { return watchedPort_; }

    /// The dialog's "Open Port": opens port `numberText`, sets RTS and DTR when asked, watches
    /// its lines and applies `params` (a refused key goes to `refusedKey`). Returns the new
    /// handle, or 0 when it could not be opened (after its message).
    int OpenPort(const std::string& numberText, bool rts, bool dtr, const WkPortParams& params,
                 std::string* refusedKey = nullptr);
    /// The dialog's "Close Port" for port `number`: asks before disconnecting documents that
    /// use it, stops watching it and closes it. False when the user declined or the close was
    /// refused (after its message).
    bool ClosePort(int number);

private:
    /// Shows the missing-file message once per run.
    void CheckSettingsFile(const std::filesystem::path& settingsPath);
    /// Writes `file` (loaded from restoredFrom_) to `settingsPath`, else to the fallback.
    void WriteSettings(ProfileFile& file, const std::filesystem::path& settingsPath);
    std::string PortPara(int port, const std::string& key, const std::string& fallback);
    /// `message` (which ends in the library's code), then the library's text of `code` and
    /// the device path of port `number`.
    std::string Explained(std::string message, int code, const std::string& number);

    struct Connection {
        int losses = 0;
        bool connected = true;
    };

    WkLibraries& libraries_;
    WkPortAccess& access_;
    Prompts& prompts_;
    std::function<std::vector<WkPortUser>()> users_;
    std::function<int()> autoAnswerPort_;
    ConnectionNotice notice_;
    std::map<int, Connection> connections_; // by port handle
    int watchedPort_ = 0;

    bool restored_ = false;
    std::filesystem::path fallbackPath_;
    /// The file RestorePorts read.
    std::filesystem::path restoredFrom_;
    bool missingFileShown_ = false;
    /// Per section: the port number it names when the run could not restore it, else 0.
    std::array<int, kSectionCount> unrestored_{};
    /// Port numbers the user opened or closed during the run.
    std::set<int> touched_;
};
