// ClientStatistics: what -z radius,clients reports per NAS (a request's source address,
// named by its NAS-Identifier or NAS-IP-Address when it sends one): requests by code,
// answered, unanswered and retransmitted, the Access-Accept, -Reject and -Challenge it
// received, and response times at the 50th, 90th and 99th percentile and the longest.
// Past `capacity` clients, new ones are counted together in one row.
#pragma once

#include "LruTable.hpp"
#include "exchanges/RequestMatcher.hpp"
#include "message/MessageFacts.hpp"
#include "reports/LatencyHistogram.hpp"

#include <algorithm>
#include <map>
#include <vector>

namespace analysis {

struct ClientLatency {
    zem::IPAddress client;
    std::string nasName;
    std::map<std::uint8_t, std::uint64_t> requestsByCode;
    std::uint64_t requests = 0, answered = 0, retransmitted = 0;
    std::uint64_t accepts = 0, rejects = 0, challenges = 0;
    // Answered by a response time-stamped before the request: left out of the times.
    std::uint64_t stampedBeforeRequest = 0;
    LatencyHistogram responseTimes;

    std::uint64_t unanswered() const { return requests - retransmitted - answered; }
};

/// "1:120 4:80": the requests by code, in order of code; empty for none.
std::string requestsByCodeText(const ClientLatency& client);

class ClientStatistics {
public:
    explicit ClientStatistics(std::size_t capacity = 1u << 16)
        : capacity_(capacity), clients_(capacity) {}

    /// Counts a message, with what the run's matcher said of it.
    void addMessage(const MessageFacts& facts, const ExchangeOutcome& outcome);
    /// Asks for what counting `facts` will read, some messages before it is counted: the
    /// table's slot at the first stage, the client found through it at the second.
    enum class Prefetch { slot, client };
    void prefetch(const MessageFacts& facts, Prefetch stage) const;
    /// By address.
    std::vector<ClientLatency> perClient() const;
    /// Each client by address, without a copy: a report of tens of thousands of rows.
    template <typename Visit> void forEachClient(Visit visit) const {
        // Sorted with each address beside its client, not through a pointer to it: the
        // clients lie apart, and each comparison would miss the cache twice.
        std::vector<std::pair<zem::IPAddress, const ClientLatency*>> byAddress;
        byAddress.reserve(clients_.size());
        clients_.forEach([&](const zem::IPAddress& address, const ClientLatency& client) {
            byAddress.emplace_back(address, &client);
        });
        std::sort(byAddress.begin(), byAddress.end(), [](const auto& a, const auto& b) {
            return zem::IPAddressLess{}(a.first, b.first);
        });
        for (const auto& [address, client] : byAddress)
            visit(*client);
    }
    const ClientLatency& others() const { return others_; }
    std::size_t capacity() const { return capacity_; }

private:
    ClientLatency& clientOf(const zem::IPAddress& address);

    std::size_t capacity_;
    // Every message looks its client up, and a table of tens of thousands of clients
    // misses the cache: an ordered one at each of its levels, a chained one at each link.
    // The LruTable (used as a plain hash table: it is never let fill up, and nothing in
    // it expires) finds a client, or tells a new one, from one or two cache lines. The
    // report sorts the clients once.
    zem::LruTable<zem::IPAddress, ClientLatency, zem::IPAddressHash> clients_;
    ClientLatency others_;
};

} // namespace analysis
