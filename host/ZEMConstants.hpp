// Host enumerations that the plug-in uses by case position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zem {

/// Transport protocols a network protocol is claimed on. The raw values are the host's;
/// UDP/TCP is 100 so that stored records written with 100 read as both transports.
enum class kZEMSourceProtocols : std::int64_t {
    none = 0,
    tcp = 6,
    udp = 17,
    udpTcp = 100,
};

inline constexpr std::array<kZEMSourceProtocols, 4> kZEMSourceProtocolsAllCases = {
    kZEMSourceProtocols::none, kZEMSourceProtocols::tcp, kZEMSourceProtocols::udp,
    kZEMSourceProtocols::udpTcp};

/// The case at `position` of kZEMSourceProtocols.
constexpr kZEMSourceProtocols sourceProtocolAtPosition(std::size_t position) {
    return kZEMSourceProtocolsAllCases[position < 4 ? position : 0];
}
/// The case whose raw value is `raw`, if any.
std::optional<kZEMSourceProtocols> sourceProtocolFromRaw(std::int64_t raw);
/// Whether a protocol claimed on `claimed` covers a packet carried over `transport`.
bool sourceProtocolCovers(kZEMSourceProtocols claimed, kZEMSourceProtocols transport);
std::string_view sourceProtocolName(kZEMSourceProtocols source);

/// String constants of the host, used by case position: 0 to 2 are keys of a column's
/// predicate options, 3 and 9 are notification names.
enum class ZEMProtocolKonstants : std::size_t {
    findPredicateDisplayName, // 0
    findPredicateKeyPath,     // 1
    findPredicateValueType,   // 2
    pluginProtocolsDidChange, // 3
    analyzerDidFinish,        // 4
    columnsDidChange,         // 5
    preferencesDidChange,     // 6
    colorsDidChange,          // 7
    filterDidChange,          // 8
    networkPortsDidChange,    // 9
};

std::string_view rawValue(ZEMProtocolKonstants constant);
constexpr ZEMProtocolKonstants konstantAtPosition(std::size_t position) {
    return static_cast<ZEMProtocolKonstants>(position < 10 ? position : 0);
}

} // namespace zem
