#include "reports/ClientStatistics.hpp"

#include "wire/RadiusProtocol.hpp"

namespace analysis {

std::string requestsByCodeText(const ClientLatency& client) {
    std::string codes;
    for (const auto& [code, count] : client.requestsByCode) {
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of a literal put
        // before a number's text.
        if (!codes.empty())
            codes += ' ';
        codes += std::to_string(code);
        codes += ':';
        codes += std::to_string(count);
    }
    return codes;
}

ClientLatency& ClientStatistics::clientOf(const zem::IPAddress& address) {
    const auto hash = clients_.hashOf(address);
    if (auto* found = clients_.find(address, hash))
        return *found;
    if (clients_.full())
        return others_;
    auto& client = clients_.insert(address, hash, 0);
    client.client = address;
    return client;
}

namespace {

// The client a message counts for: a request's sender, a response's receiver; nothing for
// any other message.
const zem::IPAddress* countedClient(const MessageFacts& m) {
    if (isRequestCode(m.code))
        return &m.origin.source;
    if (requestCodeFor(m.code) != 0)
        return &m.origin.destination;
    return nullptr;
}

} // namespace

void ClientStatistics::prefetch(const MessageFacts& facts, Prefetch stage) const {
    const auto* client = countedClient(facts);
    if (!client)
        return;
    const auto hash = clients_.hashOf(*client);
    if (stage == Prefetch::slot)
        clients_.prefetchSlot(hash);
    else
        clients_.prefetchEntry(hash);
}

void ClientStatistics::addMessage(const MessageFacts& m, const ExchangeOutcome& outcome) {
    const auto* address = countedClient(m);
    if (!address)
        return;
    auto& client = clientOf(*address);
    if (isRequestCode(m.code)) {
        if (client.nasName.empty())
            client.nasName = m.nasName;
        ++client.requests;
        ++client.requestsByCode[m.code];
        client.retransmitted += outcome.retransmission;
        return;
    }
    client.accepts += m.code == code::accessAccept;
    client.rejects += m.code == code::accessReject;
    client.challenges += m.code == code::accessChallenge;
    if (outcome.requestTime) {
        ++client.answered;
        if (m.origin.time < *outcome.requestTime)
            ++client.stampedBeforeRequest;
        else
            client.responseTimes.add(m.origin.time - *outcome.requestTime);
    }
}

std::vector<ClientLatency> ClientStatistics::perClient() const {
    std::vector<ClientLatency> rows;
    rows.reserve(clients_.size());
    forEachClient([&](const ClientLatency& client) { rows.push_back(client); });
    return rows;
}

} // namespace analysis
