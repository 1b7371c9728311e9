#include "checks/CheckTracker.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

CheckTracker::CheckTracker(const SharedSecrets& secrets, double windowSeconds, std::size_t capacity)
    : secrets_(secrets), window_(windowSeconds), requests_(capacity) {}

CheckInput CheckTracker::track(const zem::MessageOrigin& origin, zem::ByteView message) {
    CheckInput input;
    if (message.size() < headerSize)
        return input;
    const std::uint8_t code = *message.at(0), identifier = *message.at(1);
    requests_.expire(origin.time, window_);
    if (isRequestCode(code)) {
        input.secret = secretForMessage(secrets_, origin, origin.source);
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
    input.secret = secretForMessage(secrets_, origin, origin.destination);
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
