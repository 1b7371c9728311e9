// Authentications: one row per authentication, followed across its round trips. An
// authentication is the chain of exchanges that one client (NAS) runs for one
// Calling-Station-Id, tied by the State the server hands out in each Access-Challenge
// (RFC 2865 section 5.24) and the client returns; never by addresses and ports alone. A
// request without EAP is an authentication of one round trip.
//
// It ends with the server's Access-Accept or Access-Reject; one left at a Challenge that
// no request answers within the window is "abandoned", one whose request is never
// answered "timed out". What is kept is bounded by the window and by the number of
// authentications open at once, as the request matcher's.
//
//   Authentications auths;
//   auths.addMessage(facts, authFacts);      // in capture order, Access messages
//   for (const auto& row : auths.finish()) ...
#pragma once

#include "IPAddress.hpp"
#include "MessageOrigin.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "reports/AuthenticationFacts.hpp"
#include "reports/TlsOutcome.hpp"

#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace analysis {

struct Authentication {
    std::uint64_t firstFrame = 0;
    double start = 0, end = 0;
    zem::IPAddress client;
    std::string callingStationId;
    std::string userName; // the outer identity
    std::string method;   // "EAP-TLS", "PEAP", "PAP", ...; empty when none was seen
    std::vector<std::string> nakedMethods;
    unsigned rounds = 0;
    std::string outcome;    // "Access-Accept", "Access-Reject", "abandoned", "timed out"
    std::string reason;     // what the messages say of a failure, when they say anything
    std::string reasonKind; // the reason without its particulars, for totals
    std::string tlsVersion, tlsCipherSuite; // a TLS-based method's choice
    std::vector<std::uint64_t> frames;      // of its messages, when they are kept
};

class Authentications {
public:
    static constexpr double windowSeconds = 60;
    static constexpr std::size_t capacity = 1u << 16;

    /// With `keepFrames`, each row lists the frames of its messages (for a window that
    /// shows them); a report has no use for them.
    explicit Authentications(bool keepFrames = false) : keepFrames_(keepFrames) {}

    /// Follows one Access message; `facts` from authenticationFacts(). Whether it was
    /// taken into an authentication (a response to no request known is not).
    bool addMessage(const zem::MessageOrigin& origin, std::uint8_t code, std::uint8_t identifier,
                    const AuthenticationFacts& facts);
    /// The input ended: every authentication, in the order of their first frames.
    std::vector<Authentication> finish();
    /// The authentications that ended since the last call, in the order of their first
    /// frames: for a reader that tells each message how its authentication ended.
    std::vector<Authentication> takeFinished();
    /// Those of them that no open authentication began before: a report that takes
    /// these as they come lists every authentication in the order of first frames.
    std::vector<Authentication> takeReady();

private:
    struct Open {
        Authentication row;
        std::optional<std::uint8_t> proposed; // the server's last EAP method offered
        bool awaitingRequest = false;         // a Challenge went out
        std::string stateKey;                 // of the last Challenge, in statesToAuth_
        std::vector<ExchangeKey> requests;    // waiting for their answer
        TlsOutcome tls;
        std::uint64_t id = 0;
        std::list<Open*>::iterator lastUse; // its place in byLastUse_
    };
    bool request(const zem::MessageOrigin& origin, std::uint8_t identifier,
                 const AuthenticationFacts& facts);
    bool response(const zem::MessageOrigin& origin, std::uint8_t code, std::uint8_t identifier,
                  const AuthenticationFacts& facts);
    void close(std::uint64_t id, std::string outcome);
    // Used at `now`: it becomes the last to expire.
    void touch(Open& open, double now);
    void expire(double now);

    bool keepFrames_;
    std::uint64_t nextId_ = 0;
    // A State's key for a look-up, made in the same buffer each time.
    const std::string& stateKey(const zem::IPAddress& client, const std::string& state);

    std::map<std::uint64_t, Open> open_; // by id, which grows with time: oldest first
    std::list<Open*> byLastUse_; // the open ones (map nodes stay), least recently used first
    std::string stateKey_;
    std::unordered_map<std::string, std::uint64_t> statesToAuth_;
    std::unordered_map<ExchangeKey, std::uint64_t, ExchangeKeyHash> requestsToAuth_;
    std::map<std::uint64_t, Authentication> ended_; // by id, until taken
};

/// The method's name for an EAP type ("EAP-TLS", "PEAP", ...).
std::string authenticationMethodName(std::uint8_t eapType);

} // namespace analysis
