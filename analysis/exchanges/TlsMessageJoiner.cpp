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
                                                              zem::ByteView message) {
    if (!mayCarryEapTls(message))
        return nullptr;
    const auto wire = WireMessage::parse(message);
    if (!wire)
        return nullptr;
    const bool request = isRequestCode(wire->code);
    if (!request && !isResponseCode(wire->code))
        return nullptr;
    // Only the round trips of a TLS-based method are chained: their fragments and the
    // empty packets that acknowledge them. Identity, Nak and the other methods pass by.
    const auto packet = joinEapPacket(*wire);
    const auto tls = packet ? eapTlsData(*packet) : std::nullopt;
    if (!tls)
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
        const auto key = requestKey(origin, wire->code, wire->identifier);
        auto* known = requests_.find(key);
        // A copy sent again, without a State to tell, is the same round trip.
        if (!chain && known)
            chain = *known;
        if (!chain)
            chain = nextChain_++;
        (known ? *known : requests_.insert(key, now)) = *chain;
    } else {
        forEachAnsweredKey(origin, wire->code, wire->identifier, [&](const ExchangeKey& key) {
            if (const auto* known = requests_.find(key))
                chain = *known;
            return chain.has_value();
        });
        if (!chain)
            return nullptr;
        if (state) {
            const auto key = stateKey(client, *state);
            auto* known = states_.find(key);
            (known ? *known : states_.insert(key, now)) = *chain;
        }
    }

    if (tls->fragment.empty())
        return nullptr;
    const PartialKey key{*chain, !request};
    auto* partial = partial_.find(key);
    // A copy sent again carries the EAP Identifier of the fragment before: it adds nothing,
    // and a copy of the last fragment shows the whole message again.
    const bool copy = partial && partial->lastIdentifier == packet->identifier;
    if (copy)
        return tls->moreFragments() ? nullptr : partial->whole;
    if (partial && partial->whole) {
        partial_.erase(key);
        partial = nullptr;
    }
    if (!partial) {
        if (!tls->moreFragments())
            return nullptr; // a message in one fragment needs no joining
        partial = &partial_.insert(key, now);
        *partial = Partial{}; // a place given up keeps its old value
    } else
        partial_.touch(key, now);
    partial->lastIdentifier = packet->identifier;
    if (partial->tooLong || partial->octets.size() + tls->fragment.size() > maxMessageOctets) {
        partial->tooLong = true;
        partial->octets = {};
        return nullptr;
    }
    partial->octets.insert(partial->octets.end(), tls->fragment.begin(), tls->fragment.end());
    if (tls->moreFragments())
        return nullptr;
    partial->whole = std::make_shared<const zem::ByteBuffer>(std::move(partial->octets));
    partial->octets = {};
    return partial->whole;
}

} // namespace analysis
