// SecurityStatistics: what -z radius,security reports, per client address (a request's
// source, a response's destination): how its messages checked, how many passwords could
// be recovered, and how much of its traffic the Blast-RADIUS forgery can reach.
#pragma once

#include "MessageFacts.hpp"

#include <cstdint>
#include <map>
#include <vector>

namespace analysis {

struct ClientSecurity {
    zem::IPAddress client;
    std::uint64_t messages = 0;
    std::uint64_t authenticatorValid = 0, authenticatorInvalid = 0, authenticatorUnverified = 0;
    std::uint64_t messageAuthenticatorValid = 0, messageAuthenticatorInvalid = 0,
                  messageAuthenticatorAbsent = 0;
    std::uint64_t passwordsRecovered = 0; // in messages that did not check invalid
    std::uint64_t exposedRequests = 0, exposedResponses = 0;
    // The verdicts of the messages checked with a secret.
    std::uint64_t messagesValid = 0, messagesInvalid = 0;

    /// Most of the messages checked with its secret failed: the secret is likely wrong.
    bool wrongSecretLikely() const { return messagesInvalid > messagesValid; }
    void add(const ClientSecurity& other);
};

class SecurityStatistics {
public:
    void addMessage(const MessageFacts& facts);
    /// By address.
    std::vector<ClientSecurity> perClient() const;
    ClientSecurity totals() const;

private:
    std::map<zem::IPAddress, ClientSecurity> clients_;
};

} // namespace analysis
