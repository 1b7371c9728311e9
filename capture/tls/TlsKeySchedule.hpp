// TlsKeySchedule: the keys that protect one direction's records, derived from the secrets
// of a key log: TLS 1.2's key block (RFC 5246 section 6.3, through libcrypto's TLS1-PRF)
// and TLS 1.3's traffic keys (RFC 8446 section 7.3, through libcrypto's TLS13-KDF).
#pragma once

#include "ByteView.hpp"
#include "TlsCipherSuites.hpp"
#include "TlsKeyLog.hpp"

#include <optional>

namespace capture {

struct TlsTrafficKeys {
    zem::ByteBuffer key, iv, macKey;
};

/// One side's keys of a TLS 1.2 (or DTLS 1.2) connection; nothing if libcrypto refuses.
std::optional<TlsTrafficKeys> tls12TrafficKeys(const TlsCipherSuite& suite,
                                               zem::ByteView masterSecret,
                                               const TlsRandom& clientRandom,
                                               const TlsRandom& serverRandom, bool client);

/// The key and IV a TLS 1.3 traffic secret protects records with.
std::optional<TlsTrafficKeys> tls13TrafficKeys(const TlsCipherSuite& suite,
                                               zem::ByteView trafficSecret);

/// The traffic secret after a KeyUpdate.
std::optional<zem::ByteBuffer> tls13NextTrafficSecret(const TlsCipherSuite& suite,
                                                      zem::ByteView trafficSecret);

} // namespace capture
