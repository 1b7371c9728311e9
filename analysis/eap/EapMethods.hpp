// EapMethods: what each EAP Type (RFC 3748 and the methods' own RFCs) carries, one row a
// type: its name, and how its data is shown under the EAP node.
#pragma once

#include "ZEMNode.hpp"
#include "eap/EapPacket.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace analysis {

/// The method's name ("Identity", "EAP-TLS", ...), or nothing for a type no row names.
std::optional<std::string_view> eapTypeName(std::uint8_t type);
/// "NAME (N)", or "N" for a type without a name.
std::string eapTypeText(std::uint8_t type);
/// "NAME (N)"; "N" when `name` is empty.
std::string namedNumber(std::string_view name, std::size_t number);

/// The Identity of an Identity Response (or Request), as text.
std::optional<std::string> eapIdentity(const EapPacket& packet);

/// Adds what the method's data says under `node`.
void addEapMethodNodes(const EapPacket& packet, zem::ZEMNode& node);

} // namespace analysis
