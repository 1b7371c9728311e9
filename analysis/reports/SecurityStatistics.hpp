// SecurityStatistics: what -z radius,security reports, per client address (a request's
// source, a response's destination): how its messages checked, how many passwords could
// be recovered, and how much of its traffic the Blast-RADIUS forgery can reach.
//
// A flood from spoofed addresses would make a row of every packet: past `capacity`
// clients, new ones are counted together in one row.
#pragma once

#include "message/MessageFacts.hpp"

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
    static constexpr std::size_t defaultCapacity = 1u << 16;
    explicit SecurityStatistics(std::size_t capacity = defaultCapacity) : capacity_(capacity) {}

    void addMessage(const MessageFacts& facts);
    /// By address.
    std::vector<ClientSecurity> perClient() const;
    /// What the clients that came after the table was full sent, together.
    const ClientSecurity& others() const { return others_; }
    std::size_t capacity() const { return capacity_; }
    ClientSecurity totals() const;

private:
    std::size_t capacity_;
    std::map<zem::IPAddress, ClientSecurity, zem::IPAddressLess> clients_;
    ClientSecurity others_;
};

} // namespace analysis
