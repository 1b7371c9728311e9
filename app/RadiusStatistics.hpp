// -z radius,stats: messages per code, malformed and truncated attributes, payloads on
// claimed ports that are not RADIUS, and requests matched to their responses by
// identifier, addresses and ports, with response times, unanswered requests and
// retransmissions.
#pragma once

#include "NetworkLayers.hpp"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace app {

struct MessageFacts {
    std::uint8_t code = 0;
    std::uint8_t identifier = 0;
    std::string codeText;
    IPAddress source, destination;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    double time = 0;
    std::size_t invalidAttributes = 0;
    std::size_t truncatedAttributes = 0;
};

class RadiusStatistics {
public:
    void addMessage(const MessageFacts& facts);
    void addNotRadius() { ++notRadius_; }
    std::string report() const;

private:
    // client address, client port, server address, server port, identifier, request code
    using ExchangeKey =
        std::tuple<IPAddress, std::uint16_t, IPAddress, std::uint16_t, std::uint8_t, std::uint8_t>;
    struct Pending {
        double firstSent;
    };
    std::map<std::uint8_t, std::pair<std::string, std::uint64_t>> perCode_;
    std::map<ExchangeKey, Pending> pending_;
    std::vector<double> responseTimes_;
    std::uint64_t messages_ = 0, invalid_ = 0, truncated_ = 0, notRadius_ = 0;
    std::uint64_t retransmissions_ = 0, unmatchedResponses_ = 0, requests_ = 0;
};

/// The request code a response code answers, or 0 when the code is no response.
std::uint8_t requestCodeFor(std::uint8_t responseCode);
bool isRequestCode(std::uint8_t code);

} // namespace app
