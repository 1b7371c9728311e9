// ZEMPluginAnalyzerProtocol: what the host asks of one analyzer, created per packet.
//
// The host creates an analyzer from its class object with the message octets; creation
// may fail. Afterwards it asks for the summary line, property values and the node tree,
// in any order and any number of times, each time handing the octets again.
#pragma once

#include "ByteView.hpp"
#include "ZEMNode.hpp"

#include <any>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zem {

/// A property value: the value types that analyzers answer for columns and filters.
using ZEMPropertyValue = std::variant<std::uint8_t, std::uint16_t, std::string, ByteBuffer>;
using ZEMNodeList = std::vector<std::unique_ptr<ZEMNodeProtocol>>;

class ZEMPluginAnalyzerProtocol {
public:
    virtual ~ZEMPluginAnalyzerProtocol() = default;

    virtual std::uint16_t protocolSize() const = 0;
    virtual std::optional<ZEMNodeList> protocolNodes() const = 0;
    virtual std::optional<std::string> nextProtocol() const = 0;
    virtual std::optional<std::string> protocolName() const = 0;
    virtual std::optional<std::string> protocolInfo() const = 0;
    virtual bool hasPayload() const = 0;
    virtual std::optional<std::string> protocolInfo(ByteView data) const = 0;
    virtual ZEMNodeList protocolNodes(ByteView data) const = 0;
    virtual std::optional<ZEMPropertyValue> value(std::string_view key, ByteView data) const = 0;
};

/// The analyzer "class": a name and the failable initialiser init(data:packet:).
struct ZEMAnalyzerClass {
    const char* name;
    std::unique_ptr<ZEMPluginAnalyzerProtocol> (*create)(ByteView data, const std::any* packet);
};

/// Value types that registrations name for attributes and columns.
enum class ZEMValueType { uint8, uint16, string, data, number };

} // namespace zem
