#include "checks/CheckTracker.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <string_view>

namespace analysis {

namespace {

// RADIUS over TLS and DTLS uses this secret unless the operator set another (RFC 6614
// section 2.3, RFC 7360 section 2.1).
const std::string radsecSecret = "radsec";

bool overTls(const zem::MessageOrigin& origin) {
    const std::string_view transport = origin.transport ? origin.transport : "";
    return transport == "TLS" || transport == "DTLS";
}

} // namespace

const std::string* CheckTracker::secretOf(const zem::MessageOrigin& origin,
                                          const zem::IPAddress& client) const {
    if (const auto* secret = secrets_.secretFor(client))
        return secret;
    return overTls(origin) ? &radsecSecret : nullptr;
}

CheckTracker::CheckTracker(const SharedSecrets& secrets, double windowSeconds, std::size_t capacity)
    : secrets_(secrets), window_(windowSeconds), requests_(capacity) {}

CheckInput CheckTracker::next(const zem::MessageOrigin& origin, zem::ByteView message) {
    CheckInput input;
    if (message.size() < headerSize)
        return input;
    const std::uint8_t code = *message.at(0), identifier = *message.at(1);
    requests_.expire(origin.time, window_);
    if (isRequestCode(code)) {
        input.secret = secretOf(origin, origin.source);
        if (!input.secret)
            return input; // nothing to check its answer with
        const auto key = requestKey(origin, code, identifier);
        Digest* authenticator = requests_.find(key);
        if (authenticator)
            requests_.touch(key, origin.time);
        else
            authenticator = &requests_.insert(key, origin.time);
        std::copy_n(message.slice(4, 16).begin(), 16, authenticator->begin());
        return input;
    }
    if (!isResponseCode(code))
        return input;
    input.secret = secretOf(origin, origin.destination);
    if (!input.secret)
        return input;
    forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) {
        if (const Digest* authenticator = requests_.find(key))
            input.requestAuthenticator = *authenticator;
        return input.requestAuthenticator.has_value();
    });
    return input;
}

} // namespace analysis
