// The registration values a plug-in hands the host: its identity and texts, its
// analyzer class with the named attributes the host may ask for, its columns (which also
// serve as find predicates) and the network protocols it claims.
#pragma once

#include "ZEMConstants.hpp"
#include "ZEMPluginAnalyzerProtocol.hpp"
#include "ZEMUUID.hpp"

#include <any>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zem {

class ZEMPluginPreferencesProtocol;

/// "all": the attribute spans the rest of the message.
inline constexpr std::uint64_t ZEMAttributeLengthAll = std::numeric_limits<std::uint64_t>::max();

struct ZEMPlugInAnalyzerAttribute {
    const ZEMAnalyzerClass* plugInAnalyzerClass = nullptr;
    std::string attributeTitle;
    std::string attributeKey;
    ZEMValueType attributeType = ZEMValueType::string;
    std::uint64_t attributeOffset = 0;
    std::uint64_t attributeLength = 0;
};

/// A predicate option value: a text, or a value type.
using ZEMPredicateOption = std::variant<std::string, ZEMValueType>;

struct ZEMPlugInColumn {
    std::string columnTitle;
    std::string keyPath;
    std::optional<std::map<std::string, std::string>> bindingOptions;
    std::map<std::string, ZEMPredicateOption> predicateOptions;
};

struct ZEMPlugInNetworkProtocol {
    ZEMUUID id;
    std::string protocolName;
    std::vector<std::int64_t> protocolPorts;
    kZEMSourceProtocols sourceProtocol = kZEMSourceProtocols::udpTcp;
    std::optional<std::string> ethertype;
    std::optional<std::string> linktype;
    std::optional<std::int64_t> size;

    bool operator==(const ZEMPlugInNetworkProtocol&) const = default;
};

struct ZEMPlugInStructure {
    ZEMUUID id;
    std::string plugInTitle;
    std::string plugInDescription;
    std::string plugInVersion;
    std::string plugInAuthor;
    std::string plugInPrincipalClass;
    ZEMPluginPreferencesProtocol* plugInPreferencesInstance = nullptr;
    const ZEMAnalyzerClass* plugInAnalyzerClass = nullptr;
    std::vector<ZEMPlugInAnalyzerAttribute> plugInAnalyzerAttributes;
    std::vector<ZEMPlugInNetworkProtocol> plugInTargetProtocols;
    std::vector<ZEMPlugInColumn> plugInColumnKeyBindings;

    /// Adds a protocol; answers the resulting structure.
    ZEMPlugInStructure& appendNetworkProtocol(ZEMPlugInNetworkProtocol protocol);
    /// Removes every protocol equal to `protocol` by id and name; answers the result.
    ZEMPlugInStructure& removeNetworkProtocol(const ZEMPlugInNetworkProtocol& protocol);
};

} // namespace zem
