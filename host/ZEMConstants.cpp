#include "ZEMConstants.hpp"

namespace zem {

std::optional<kZEMSourceProtocols> sourceProtocolFromRaw(std::int64_t raw) {
    for (auto source : kZEMSourceProtocolsAllCases)
        if (static_cast<std::int64_t>(source) == raw)
            return source;
    return std::nullopt;
}

bool sourceProtocolCovers(kZEMSourceProtocols claimed, kZEMSourceProtocols transport) {
    if (claimed == kZEMSourceProtocols::udpTcp)
        return transport == kZEMSourceProtocols::udp || transport == kZEMSourceProtocols::tcp;
    return claimed == transport && claimed != kZEMSourceProtocols::none;
}

std::string_view sourceProtocolName(kZEMSourceProtocols source) {
    switch (source) {
    case kZEMSourceProtocols::tcp:
        return "tcp";
    case kZEMSourceProtocols::udp:
        return "udp";
    case kZEMSourceProtocols::udpTcp:
        return "udp/tcp";
    case kZEMSourceProtocols::none:
        break;
    }
    return "none";
}

std::string_view rawValue(ZEMProtocolKonstants constant) {
    static constexpr std::array<std::string_view, 10> values = {
        "ZEMFindPredicateDisplayName",         "ZEMFindPredicateKeyPathExpression",
        "ZEMFindPredicateValueType",           "ZEMPluginProtocolsDidChangeNotification",
        "ZEMAnalyzerDidFinishNotification",    "ZEMColumnsDidChangeNotification",
        "ZEMPreferencesDidChangeNotification", "ZEMColorsDidChangeNotification",
        "ZEMFilterDidChangeNotification",      "ZEMNetworkPortsDidChangeNotification",
    };
    auto index = static_cast<std::size_t>(constant);
    return index < values.size() ? values[index] : values[0];
}

} // namespace zem
