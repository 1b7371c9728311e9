#include "reports/AuthenticationTracker.hpp"

#include "eap/EapPacket.hpp"
#include "eap/EapTlsData.hpp"
#include "reports/AuthenticationFacts.hpp"

namespace analysis {

bool AuthenticationTracker::next(const zem::MessageOrigin& origin, zem::ByteView message,
                                 const ExchangeLinks& links, std::uint64_t sequence) {
    const auto wire = WireMessage::parse(message);
    if (!wire)
        return false;
    const auto eap = mayCarryEap(message) ? joinEapPacket(*wire) : std::nullopt;
    auto facts = authenticationFacts(*wire, eap);
    if (!facts)
        return false;
    if (eap || links.tlsMessage)
        if (const auto flight = carriedTlsFlight(eap, links.tlsMessage.get()))
            facts->tls = tlsFacts(*flight);
    // The authentications list their messages by frame: here, by sequence number.
    auto numbered = origin;
    numbered.frame = sequence;
    return authentications_.addMessage(numbered, wire->code, wire->identifier, *facts);
}

void AuthenticationTracker::finish() {
    auto rest = authentications_.finish();
    ended_.insert(ended_.end(), std::make_move_iterator(rest.begin()),
                  std::make_move_iterator(rest.end()));
}

std::vector<AuthenticationTracker::Ended> AuthenticationTracker::takeEnded() {
    auto finished = authentications_.takeFinished();
    finished.insert(finished.begin(), std::make_move_iterator(ended_.begin()),
                    std::make_move_iterator(ended_.end()));
    ended_.clear();
    std::vector<Ended> ended;
    ended.reserve(finished.size());
    for (auto& row : finished)
        ended.push_back(
            {std::move(row.frames),
             std::make_shared<const AuthenticationOutcome>(AuthenticationOutcome{
                 std::move(row.method), std::move(row.outcome), std::move(row.reason)})});
    return ended;
}

} // namespace analysis
