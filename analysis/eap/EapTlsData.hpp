// EapTlsData: the TLS octets that EAP-TLS (RFC 5216) and the methods built on it (TTLS,
// PEAP, FAST, TEAP) carry after their flags: one fragment of a TLS message, the first of
// several announcing the whole message's length.
#pragma once

#include "eap/EapPacket.hpp"
#include "tls/TlsFlight.hpp"

#include <cstdint>
#include <optional>

namespace analysis {

namespace eapTlsFlag {
inline constexpr std::uint8_t lengthIncluded = 0x80, moreFragments = 0x40, start = 0x20;
} // namespace eapTlsFlag

struct EapTlsData {
    std::uint8_t flags = 0;
    std::optional<std::uint32_t> messageLength; // with the L flag
    zem::ByteView fragment;

    bool moreFragments() const { return (flags & eapTlsFlag::moreFragments) != 0; }
};

/// Whether the EAP type carries TLS records behind EAP-TLS's flags.
bool isTlsBasedType(std::uint8_t type);
/// Whether a message may carry a TLS-based method's packet: a quick look at the first
/// EAP-Message attribute's code and type, which spares joining the EAP packet of the
/// Identity, Nak, Success and Failure messages and the other methods.
bool mayCarryEapTls(zem::ByteView message);

/// Nothing for a packet of another type, or without the flags octet.
std::optional<EapTlsData> eapTlsData(const EapPacket& packet);

/// The TLS records a message carries: those of `joined` (the whole TLS message, when the
/// packet carries the last of its fragments), or of the packet's own fragment when that
/// is the whole message; nothing on a fragment that more follow, or without TLS.
std::optional<TlsFlight> carriedTlsFlight(const std::optional<EapPacket>& packet,
                                          const zem::ByteBuffer* joined);

} // namespace analysis
