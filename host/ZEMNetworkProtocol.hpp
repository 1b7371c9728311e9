// ZEMNetworkProtocol: an editable record of one claimed network protocol (name, port
// list as text, transport), with the state it was last registered in. Records have
// reference semantics: views and the controller share them.
//
// JSON form, one object per record:
//   {"id":"<UUID>","protocolName":"RADIUS","protocolPorts":"1645,1812","sourceProtocol":100,
//    "ethertype":"","linktype":"","size":0}
// Only id, protocolName, protocolPorts and sourceProtocol are required; the last
// registered state is not stored (a decoded record starts registered as it is).
#pragma once

#include "ZEMErrorModel.hpp"
#include "ZEMObservable.hpp"
#include "ZEMUUID.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zem {

class ZEMPortsController;

class ZEMNetworkProtocol : public ZEMObservable {
public:
    ZEMNetworkProtocol(ZEMUUID id, std::string name, std::string ports, std::int64_t source,
                       std::optional<std::string> ethertype = std::nullopt,
                       std::optional<std::string> linktype = std::nullopt,
                       std::optional<std::int64_t> size = std::nullopt);

    ZEMUUID id;
    std::string protocolName;
    std::string protocolPorts;
    std::int64_t sourceProtocol;
    std::optional<std::string> ethertype;
    std::optional<std::string> linktype;
    std::optional<std::int64_t> size;

    std::string lastRegisteredName;
    std::string lastRegisteredPorts;
    std::int64_t lastRegisteredSource;

    ErrorViewModel errorModel;
    ZEMPortsController* portController = nullptr;

    /// Makes the current name, ports and source the last registered ones.
    void commitRegisteredState();
    /// Connects the record's error model to its observers.
    void setupBinding();

    /// Encodes a list as a compact JSON array.
    static std::string encodeList(const std::vector<std::shared_ptr<ZEMNetworkProtocol>>& list);
    /// Decodes a JSON array; throws std::runtime_error with the decoder's message.
    static std::vector<std::shared_ptr<ZEMNetworkProtocol>> decodeList(std::string_view json);
};

using ZEMNetworkProtocolList = std::vector<std::shared_ptr<ZEMNetworkProtocol>>;

} // namespace zem
