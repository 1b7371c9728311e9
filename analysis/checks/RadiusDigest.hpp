// RadiusDigest: the two digests RADIUS signs and hides with, MD5 (RFC 1321) and HMAC-MD5
// (RFC 2104), taken from OpenSSL's libcrypto over several pieces at once, so that a
// message need not be copied to have its authenticator replaced.
#pragma once

#include "ByteView.hpp"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace analysis {

using Digest = std::array<std::uint8_t, 16>;

/// MD5 of the pieces, one after the other.
Digest md5(std::initializer_list<zem::ByteView> pieces);
/// HMAC-MD5 keyed with `key` of the pieces, one after the other.
Digest hmacMd5(zem::ByteView key, std::initializer_list<zem::ByteView> pieces);

} // namespace analysis
