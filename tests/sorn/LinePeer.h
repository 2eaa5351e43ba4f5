#pragma once
// The far end of a port in a test: what the port sends is read here, and bytes written here
// arrive at the port. A pseudo-terminal's master side (PtyPeer) or a device server on the
// loopback (SocketPeer).

#include <chrono>
#include <string>
#include <vector>

class LinePeer {
public:
    virtual ~LinePeer() = default;

    /// What the port map names for the port at this end.
    virtual std::string MapEntry() const = 0;
    /// Called before the port opens.
    virtual void BeforeOpen() {}
    /// Data for the port.
    virtual void Write(const std::vector<unsigned char>& bytes) = 0;
    /// Exactly `count` bytes of data from the port, or what came before `timeout` passed.
    virtual std::vector<unsigned char>
    Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(2)) = 0;
    /// Waits until `count` bytes written here wait at the port's side, unread.
    virtual bool WaitUntilDelivered(int count) = 0;
    /// The far end goes away.
    virtual void Close() = 0;
};
