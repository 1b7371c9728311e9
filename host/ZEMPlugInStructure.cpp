#include "ZEMPlugInStructure.hpp"

#include <algorithm>

namespace zem {

ZEMPlugInStructure& ZEMPlugInStructure::appendNetworkProtocol(ZEMPlugInNetworkProtocol protocol) {
    plugInTargetProtocols.push_back(std::move(protocol));
    return *this;
}

ZEMPlugInStructure&
ZEMPlugInStructure::removeNetworkProtocol(const ZEMPlugInNetworkProtocol& protocol) {
    // The plug-in describes the old state by id and name; ports may have been edited since.
    std::erase_if(plugInTargetProtocols, [&](const ZEMPlugInNetworkProtocol& p) {
        return p.id == protocol.id && p.protocolName == protocol.protocolName;
    });
    return *this;
}

} // namespace zem
