#include "exchanges/TlsMessageJoiner.hpp"

#include "eap/EapPacket.hpp"
#include "eap/EapTlsData.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "wire/RadiusProtocol.hpp"
#include "wire/WireMessage.hpp"

namespace analysis {

namespace {

// The State, as its client saw it: two clients' States are never one chain's.
std::string stateKey(const zem::IPAddress& client, const Attribute& state) {
    std::string key(reinterpret_cast<const char*>(client.bytes.data()), client.bytes.size());
    key.append(reinterpret_cast<const char*>(state.value.span().data()), state.value.size());
    return key;
}

} // namespace

std::shared_ptr<const zem::ByteBuffer> TlsMessageJoiner::next(const zem::MessageOrigin& origin,
                                                              zem::ByteView message,
                                                              const ExchangeLinks& links) {
    if (!mayCarryEap(message) || links.retransmissionOf)
        return nullptr;
    const auto wire = WireMessage::parse(message);
    if (!wire)
        return nullptr;
    const bool request = isRequestCode(wire->code);
    if (!request && !isResponseCode(wire->code))
        return nullptr;
    const auto now = origin.time;
    partial_.expire(now, windowSeconds);
    states_.expire(now, windowSeconds);
    requests_.expire(now, windowSeconds);

    const auto& client = clientAddress(origin, wire->code);
    const auto* state = wire->find(attribute::state);
    std::optional<std::uint64_t> chain;
    if (request) {
        if (state)
            if (const auto* known = states_.find(stateKey(client, *state)))
                chain = *known;
        if (!chain)
            chain = nextChain_++;
        requests_.insert(origin.frame, now) = *chain;
    } else {
        if (links.requestFrame)
            if (const auto* known = requests_.find(*links.requestFrame))
                chain = *known;
        if (!chain)
            return nullptr;
        if (state) {
            const auto key = stateKey(client, *state);
            auto* known = states_.find(key);
            (known ? *known : states_.insert(key, now)) = *chain;
        }
    }

    const auto packet = joinEapPacket(*wire);
    const auto tls = packet ? eapTlsData(*packet) : std::nullopt;
    if (!tls || tls->fragment.empty())
        return nullptr;
    const PartialKey key{*chain, !request};
    auto* partial = partial_.find(key);
    if (tls->moreFragments()) {
        if (!partial) {
            partial = &partial_.insert(key, now);
            *partial = Partial{}; // a place given up keeps its old value
        } else
            partial_.touch(key, now);
        if (partial->octets.size() + tls->fragment.size() > maxMessageOctets) {
            partial->tooLong = true;
            partial->octets = {};
        } else if (!partial->tooLong)
            partial->octets.insert(partial->octets.end(), tls->fragment.begin(),
                                   tls->fragment.end());
        return nullptr;
    }
    if (!partial)
        return nullptr;
    std::shared_ptr<const zem::ByteBuffer> joined;
    if (!partial->tooLong && partial->octets.size() + tls->fragment.size() <= maxMessageOctets) {
        auto whole = std::make_shared<zem::ByteBuffer>(std::move(partial->octets));
        whole->insert(whole->end(), tls->fragment.begin(), tls->fragment.end());
        joined = std::move(whole);
    }
    partial_.erase(key);
    return joined;
}

} // namespace analysis
