// The claimed protocols: the two built-in defaults, the stored form of the list (compact
// JSON octets under kRADIUSPlugInNetworkProtocol) and the conversion of a record into the
// registration value the host's registry takes.
#pragma once

#include "ZEMNetworkProtocol.hpp"
#include "ZEMPlugInStructure.hpp"
#include "ZEMUserDefaults.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace radius {

/// RADIUS on 1645,1812 and RADIUSACCT on 1646,1813, UDP/TCP; the same two records for
/// every caller.
const zem::ZEMNetworkProtocolList& defaultNetworkProtocols();

/// The stored list; empty when nothing, or no octets, are stored. Throws the decoder's
/// error (std::runtime_error) for octets that do not decode.
zem::ZEMNetworkProtocolList loadStoredProtocols(const zem::ZEMUserDefaults& store);

/// Encodes and stores a list; answers false (and logs from `function`) when it cannot.
bool storeProtocols(zem::ZEMUserDefaults& store, const zem::ZEMNetworkProtocolList& list,
                    std::string_view file, std::string_view function);

/// The ports of a port text: parts between commas that read as whole decimal numbers
/// (optional sign, digits, nothing else), in order, duplicates kept.
std::vector<std::int64_t> portNumbers(std::string_view text);

/// The registration value of a record; an unknown transport registers as UDP/TCP.
zem::ZEMPlugInNetworkProtocol plugInNetworkProtocol(const zem::ZEMNetworkProtocol& record);
zem::ZEMPlugInNetworkProtocol plugInNetworkProtocol(const zem::ZEMUUID& id, const std::string& name,
                                                    std::string_view ports, std::int64_t source);
/// The registration value of a record as it was last registered.
zem::ZEMPlugInNetworkProtocol lastRegisteredNetworkProtocol(const zem::ZEMNetworkProtocol& record);

} // namespace radius
