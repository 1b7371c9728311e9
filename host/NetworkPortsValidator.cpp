#include "NetworkPortsValidator.hpp"

#include "ZEMError.hpp"
#include "ZEMPortsController.hpp"

#include <charconv>
#include <set>

namespace zem {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string NetworkPortsValidator::validate(const ZEMNetworkProtocol& protocol,
                                            std::optional<std::string_view> input) {
    std::string_view text = input ? *input : std::string_view(protocol.protocolPorts);
    if (trimmed(text).empty())
        throw ZEMError(ZEMError::Case::missingPorts, "no ports given");
    const auto source =
        sourceProtocolFromRaw(protocol.sourceProtocol).value_or(kZEMSourceProtocols::udpTcp);

    std::string normalised;
    std::set<long> seen;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto comma = text.find(',', start);
        std::string_view part = trimmed(text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        std::string_view digits = part.starts_with('+') ? part.substr(1) : part;
        long port = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (part.empty())
            throw ZEMError(ZEMError::Case::invalidPortText,
                           "empty port in \"" + std::string(text) +
                               "\"; separate ports by a single comma");
        if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
            digits.front() == '-')
            throw ZEMError(ZEMError::Case::invalidPortText,
                           "\"" + std::string(part) + "\" is not a port number");
        if (port < 1 || port > 65535)
            throw ZEMError(ZEMError::Case::portOutOfRange,
                           "port " + std::to_string(port) + " is outside 1 to 65535");
        if (!seen.insert(port).second)
            throw ZEMError(ZEMError::Case::invalidPortText,
                           "port " + std::to_string(port) + " is listed twice");
        for (const auto& claim : ZEMPortsController::sharedPortsController().claims()) {
            bool overlaps = claim.source == source || sourceProtocolCovers(claim.source, source) ||
                            sourceProtocolCovers(source, claim.source);
            if (claim.port == port && overlaps && claim.protocolId != protocol.id &&
                claim.protocolName != protocol.protocolName)
                throw ZEMError(ZEMError::Case::portAlreadyClaimed,
                               "port " + std::to_string(port) + " is already claimed by " +
                                   claim.protocolName + " on " +
                                   std::string(sourceProtocolName(claim.source)));
        }
        if (!normalised.empty())
            normalised.push_back(',');
        normalised.append(std::to_string(port));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return normalised;
}

} // namespace zem
