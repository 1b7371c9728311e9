#include "RADIUSProtocolAnalyzer.hpp"

#include "RADIUSAttributeWalker.hpp"

#include <limits>

namespace radius {

const zem::ZEMAnalyzerClass RADIUSProtocolAnalyzer::analyzerClass = {
    "RADIUSProtocolAnalyzer",
    [](zem::ByteView data, const std::any* packet)
        -> std::unique_ptr<zem::ZEMPluginAnalyzerProtocol> { return create(data, packet); },
};

std::unique_ptr<RADIUSProtocolAnalyzer> RADIUSProtocolAnalyzer::create(zem::ByteView data,
                                                                       const std::any*) {
    if (data.size() < radiusHeaderLength || data.size() > std::numeric_limits<std::uint16_t>::max())
        return nullptr;
    return std::unique_ptr<RADIUSProtocolAnalyzer>(
        new RADIUSProtocolAnalyzer(static_cast<std::uint16_t>(data.size())));
}

std::optional<std::string> RADIUSProtocolAnalyzer::protocolInfo(zem::ByteView data) const {
    return radiusDissector_.protocolInfo(data);
}

zem::ZEMNodeList RADIUSProtocolAnalyzer::protocolNodes(zem::ByteView data) const {
    zem::ZEMNodeList nodes;
    nodes.push_back(radiusPacketTree(radiusDissector_, data, radiusSize_));
    return nodes;
}

std::optional<zem::ZEMPropertyValue> RADIUSProtocolAnalyzer::value(std::string_view key,
                                                                   zem::ByteView data) const {
    return radiusDissector_.propertyValue(key, data);
}

} // namespace radius
