#pragma once
// The line to one reader for one run: the port (a number of the port map, or any device mapped
// for this run through a temporary map file), its parameters, one reader object of the reader
// library, and the protocol lines shown on standard error with -v.

#include <filesystem>
#include <string>

struct KestraLinkOptions {
    int port = 0;       ///< port map number; 0 when `device` is used
    std::string device; ///< a tty path mapped for this run
    int baud = 9600;
    std::string frame = "8E1";
    int timeout = 0; ///< block time-out in ms; 0 keeps the serial library's default
    int address = 0; ///< bus address
    bool verbose = false;
};

class KestraLink {
public:
    /// Maps the device when one is given; nothing is opened yet.
    explicit KestraLink(KestraLinkOptions options);
    /// Deletes the reader object, closes the port and removes the temporary map.
    ~KestraLink();
    KestraLink(const KestraLink&) = delete;
    KestraLink& operator=(const KestraLink&) = delete;

    /// Opens the port with the options' baud, frame and time-out and creates the reader
    /// object. Throws KestraError (exit 2 for a value the port refuses, 3 when it cannot be
    /// opened).
    void Open();

    int Port() const { return port_; }
    int Reader() const { return reader_; }
    int Address() const { return options_.address; }
    const KestraLinkOptions& Options() const { return options_; }
    /// The port map number the run uses.
    std::string PortName() const;

    /// Sets a port parameter; throws KestraError (exit 2) when the port refuses it.
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
    std::filesystem::path mapDir_;
    int port_ = 0;
    int reader_ = 0;
};
