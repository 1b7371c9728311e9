// RADIUSProtocolAnalyzer: the analyzer the host creates for every RADIUS message.
//
// It keeps only the captured size; every answer is decoded anew from the octets of the
// call, so analyzers share nothing and may run on any thread.
#pragma once

#include "RADIUSDissector.hpp"
#include "ZEMPluginAnalyzerProtocol.hpp"

#include <any>
#include <memory>

namespace radius {

class RADIUSProtocolAnalyzer final : public zem::ZEMPluginAnalyzerProtocol {
public:
    /// init(data:packet:): nothing for fewer than 20 octets. Captures above 65535 octets
    /// cannot be RADIUS (Length is 16 bits) and are refused as well.
    static std::unique_ptr<RADIUSProtocolAnalyzer> create(zem::ByteView data,
                                                          const std::any* packet = nullptr);
    /// The class object the host creates analyzers from.
    static const zem::ZEMAnalyzerClass analyzerClass;

    std::uint16_t protocolSize() const override { return radiusSize_; }
    std::optional<zem::ZEMNodeList> protocolNodes() const override { return zem::ZEMNodeList{}; }
    std::optional<std::string> nextProtocol() const override { return std::nullopt; }
    std::optional<std::string> protocolName() const override { return std::nullopt; }
    std::optional<std::string> protocolInfo() const override { return std::string(); }
    bool hasPayload() const override { return hasPayload_; }
    std::optional<std::string> protocolInfo(zem::ByteView data) const override;
    zem::ZEMNodeList protocolNodes(zem::ByteView data) const override;
    std::optional<zem::ZEMPropertyValue> value(std::string_view key,
                                               zem::ByteView data) const override;

private:
    explicit RADIUSProtocolAnalyzer(std::uint16_t size) : radiusSize_(size) {}

    const RADIUSDissector radiusDissector_{};
    const bool hasPayload_ = false;
    std::uint16_t radiusSize_ = 0;
};

} // namespace radius
