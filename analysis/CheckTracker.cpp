#include "CheckTracker.hpp"

#include "RadiusCodes.hpp"

#include <algorithm>

namespace analysis {

CheckTracker::CheckTracker(const SharedSecrets& secrets, double windowSeconds, std::size_t capacity)
    : secrets_(secrets), window_(windowSeconds), requests_(capacity) {}

CheckInput CheckTracker::next(const zem::MessageOrigin& origin, zem::ByteView message) {
    CheckInput input;
    const auto code = message.at(0);
    const auto identifier = message.at(1);
    if (!code || !identifier || message.size() < 20)
        return input;
    requests_.expire(origin.time, window_);
    if (isRequestCode(*code)) {
        input.secret = secrets_.secretFor(origin.source);
        if (!input.secret)
            return input; // nothing to check its answer with
        const ExchangeKey key{origin.source,          origin.sourcePort, origin.destination,
                              origin.destinationPort, *identifier,       0};
        Digest* authenticator = requests_.find(key);
        if (authenticator)
            requests_.touch(key, origin.time);
        else
            authenticator = &requests_.insert(key, origin.time);
        std::copy_n(message.slice(4, 16).begin(), 16, authenticator->begin());
        return input;
    }
    if (requestCodeFor(*code) == 0)
        return input;
    input.secret = secrets_.secretFor(origin.destination);
    if (!input.secret)
        return input;
    const ExchangeKey key{origin.destination, origin.destinationPort,
                          origin.source,      origin.sourcePort,
                          *identifier,        0};
    if (const Digest* authenticator = requests_.find(key))
        input.requestAuthenticator = *authenticator;
    return input;
}

} // namespace analysis
