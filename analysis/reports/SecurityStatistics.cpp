#include "reports/SecurityStatistics.hpp"

#include "wire/RadiusProtocol.hpp"

namespace analysis {

void ClientSecurity::add(const ClientSecurity& o) {
    messages += o.messages;
    authenticatorValid += o.authenticatorValid;
    authenticatorInvalid += o.authenticatorInvalid;
    authenticatorUnverified += o.authenticatorUnverified;
    messageAuthenticatorValid += o.messageAuthenticatorValid;
    messageAuthenticatorInvalid += o.messageAuthenticatorInvalid;
    messageAuthenticatorAbsent += o.messageAuthenticatorAbsent;
    passwordsRecovered += o.passwordsRecovered;
    exposedRequests += o.exposedRequests;
    exposedResponses += o.exposedResponses;
    messagesValid += o.messagesValid;
    messagesInvalid += o.messagesInvalid;
}

void SecurityStatistics::addMessage(const MessageFacts& m) {
    const bool request = isRequestCode(m.code);
    const auto& address =
        request || !isResponseCode(m.code) ? m.origin.source : m.origin.destination;
    auto found = clients_.find(address);
    auto& client = found != clients_.end()       ? found->second
                   : clients_.size() < capacity_ ? clients_[address]
                                                 : others_;
    if (&client != &others_)
        client.client = address;
    ++client.messages;
    switch (m.authenticator) {
    case CheckResult::valid:
        ++client.authenticatorValid;
        break;
    case CheckResult::invalid:
        ++client.authenticatorInvalid;
        break;
    default:
        ++client.authenticatorUnverified;
        break;
    }
    client.messageAuthenticatorValid += m.messageAuthenticator == CheckResult::valid;
    client.messageAuthenticatorInvalid += m.messageAuthenticator == CheckResult::invalid;
    client.messageAuthenticatorAbsent += m.messageAuthenticator == CheckResult::absent;
    client.messagesValid += m.secretKnown && m.verdict == CheckResult::valid;
    client.messagesInvalid += m.secretKnown && m.verdict == CheckResult::invalid;
    client.passwordsRecovered += m.passwordRecovered && m.verdict != CheckResult::invalid;
    if (m.exposure != 0)
        ++(request ? client.exposedRequests : client.exposedResponses);
}

std::vector<ClientSecurity> SecurityStatistics::perClient() const {
    std::vector<ClientSecurity> rows;
    rows.reserve(clients_.size());
    for (const auto& [address, client] : clients_)
        rows.push_back(client);
    return rows;
}

ClientSecurity SecurityStatistics::totals() const {
    ClientSecurity total;
    for (const auto& [address, client] : clients_)
        total.add(client);
    total.add(others_);
    return total;
}

} // namespace analysis
