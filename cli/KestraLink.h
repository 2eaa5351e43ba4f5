#pragma once
// The line to one reader for one run: the port (a number of the port map, or any device mapped
// for this run by a KestraPortMap), its parameters, one reader object of the reader library,
// and the protocol lines shown on standard error with -v.

#include "common/CodeLibrary.h"
#include "sorn.h"

#include <memory>
#include <string>

class KestraPortMap;

/// Whether an exchange's `code` says the line itself failed (the device gone, a write that
/// failed), rather than that nothing or a broken answer came.
inline bool IsLineFault(int code) {
    return LibraryOfCode(code) == CodeLibrary::kSerialPort && code != SORN_ERR_NOTHING_RECEIVED;
}

struct KestraLinkOptions {
    /// Port map number. With `device`: 0 has the link map the device for this run; another
    /// number is the one the device was mapped to already.
    int port = 0;
    std::string device; ///< a tty path (or a device server's URL), mapped for this run
    int baud = 9600;
    std::string frame = "8E1";
    int timeout = 0; ///< block time-out in ms; 0 keeps the serial library's default
    int address = 0; ///< bus address
    bool verbose = false;
};

class KestraLink {
public:
    /// Maps the device when one is given and not mapped yet; nothing is opened yet.
    explicit KestraLink(KestraLinkOptions options);
    /// Deletes the reader object, closes the port and removes the map.
    ~KestraLink();
    KestraLink(const KestraLink&) = delete;
    KestraLink& operator=(const KestraLink&) = delete;

    /// Opens the port with the options' baud, frame and time-out and creates the reader
    /// object, which takes answers only from the bus address it asked. Throws KestraError
    /// (exit 2 for a value the port refuses, 3 when it cannot be opened).
    void Open();

    int Port() const { return port_; }
    int Reader() const { return reader_; }
    int Address() const { return options_.address; }
    /// The bus address the next commands go to (another reader of the same bus).
    void SetAddress(int address) { options_.address = address; }
    const KestraLinkOptions& Options() const { return options_; }
    /// The port map number the run uses.
    std::string PortName() const;
    /// The device given, or "port N".
    std::string DeviceName() const;
    /// "kestra --device PATH --address 7" and any other line settings given: the start of a
    /// command line that reaches the same reader.
    std::string CommandPrefix() const;

    /// Sets the port's baud rate and frame; throws as SetPortPara.
    void SetLine(int baud, const std::string& frame);
    /// Sets a port parameter; throws KestraError: exit 3 when the device is gone, exit 2 when
    /// the port refuses the value.
    void SetPortPara(const std::string& key, const std::string& value);
    std::string PortPara(const std::string& key) const;

    /// Throws for a result other than 0: exit 1 with the status text for a status byte, exit 3
    /// with the library's error text and code for a negative code. `what` names the action.
    void Check(int result, const std::string& what) const;

    /// The text of a library code (serial-port codes -1000 .. -1999, reader library otherwise).
    static std::string ErrorText(int code);
    /// The text of a reader status byte.
    static std::string StatusText(int status);

private:
    KestraLinkOptions options_;
    std::unique_ptr<KestraPortMap> map_; ///< only when the link mapped its device itself
    int port_ = 0;
    int reader_ = 0;
};
