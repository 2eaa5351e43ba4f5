#pragma once
// A serial port behind a device server on the network, as the port map and the command line
// name it: "rfc2217://host:port" (Telnet with the COM Port Control Option, RFC 2217) or
// "tcp://host:port" (the bytes as they are). The host is a name, an IPv4 address, or an IPv6
// address in brackets ("[::1]"); the scheme may be written in either case.

#include <optional>
#include <string>
#include <string_view>

struct NetworkAddress {
    enum class Mode { Raw, Rfc2217 };

    Mode mode = Mode::Raw;
    std::string host; ///< without the brackets of an IPv6 address
    unsigned port = 0;

    /// The address `text` names; nothing for a device path or a malformed address (port 0 or
    /// above 65535, an empty host, anything after the port).
    static std::optional<NetworkAddress> Parse(std::string_view text);

    /// Whether `text` is written as a network address ("name://..."), well-formed or not: such
    /// a text is never a device path.
    static bool IsUrl(std::string_view text);

    /// "host:port" or "[v6-address]:port" into its parts; any port 0..65535 (0 asks a listener
    /// for a free one). False when malformed.
    static bool ParseHostPort(std::string_view text, std::string& host, unsigned& port);

    /// The address written out again: "rfc2217://host:port", brackets around an IPv6 host.
    std::string Url() const;
};
