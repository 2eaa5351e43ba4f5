#include "HostLookup.h"

#include "ErrorTable.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>

namespace sorn {

namespace {

using Clock = std::chrono::steady_clock;

// A lookup is looked at this often while it runs: the resolver tells its end only through a
// signal or a thread of its own, neither of which fits a library.
constexpr int kLookupSliceMs = 10;

struct Lookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};
};

// Lookups given up on while the resolver still worked on them: their memory is the resolver's
// until it ends, and is freed by a later lookup.
std::mutex gAbandonedMutex;
std::vector<std::unique_ptr<Lookup>> gAbandoned;

void FreeEnded() {
    std::lock_guard lock(gAbandonedMutex);
    std::erase_if(gAbandoned, [](const std::unique_ptr<Lookup>& lookup) {
        if (gai_error(&lookup->request) == EAI_INPROGRESS) {
            return false;
        }
        if (lookup->request.ar_result != nullptr) {
            freeaddrinfo(lookup->request.ar_result);
        }
        return true;
    });
}

void Collect(const addrinfo* list, std::vector<SocketAddress>& addresses) {
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        SocketAddress entry;
        std::memcpy(&entry.address, a->ai_addr, a->ai_addrlen);
        entry.length = a->ai_addrlen;
        addresses.push_back(entry);
    }
}

} // namespace

int LookUpHost(const std::string& host, unsigned port, Clock::time_point deadline, int wake,
               std::vector<SocketAddress>& addresses) {
    FreeEnded();
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->service = std::to_string(port);
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    // A numeric address needs no resolver.
    addrinfo* numeric = nullptr;
    if (getaddrinfo(host.c_str(), lookup->service.c_str(), &lookup->hints, &numeric) == 0) {
        Collect(numeric, addresses);
        freeaddrinfo(numeric);
        return 0;
    }
    lookup->hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        return SORN_ERR_HOST_UNKNOWN;
    }
    for (;;) {
        const int state = gai_error(&lookup->request);
        if (state != EAI_INPROGRESS) {
            addrinfo* result = lookup->request.ar_result;
            if (state == 0 && result != nullptr) {
                Collect(result, addresses);
                freeaddrinfo(result);
            }
            return addresses.empty() ? SORN_ERR_HOST_UNKNOWN : 0;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd woken{wake, POLLIN, 0};
        if (left.count() <= 0 ||
            poll(&woken, 1, static_cast<int>(std::min<long>(left.count(), kLookupSliceMs))) > 0) {
            break;
        }
    }
    if (gai_cancel(&lookup->request) != EAI_CANCELED) {
        std::lock_guard lock(gAbandonedMutex);
        gAbandoned.push_back(std::move(lookup));
    }
    return SORN_ERR_NO_SERVER_ANSWER;
}

} // namespace sorn
