#pragma once
// Host names to socket addresses within a time-out: the system's resolver may take many seconds
// on a network without its name server, and no Sorn call may wait longer than its time-out.

#include <chrono>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace sorn {

struct SocketAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// The TCP addresses of `host` (a name or a numeric address) at `port`, looked up until
// `deadline`; a lookup still running then is left to end by itself. `wake`, an event
// descriptor, ends the wait early when it becomes readable. 0, -1044 (no answer in time, or
// woken), or -1048 (the name is unknown).
int LookUpHost(const std::string& host, unsigned port,
               std::chrono::steady_clock::time_point deadline, int wake,
               std::vector<SocketAddress>& addresses);

} // namespace sorn
