#include "checks/RadiusDigest.hpp"

#include <gtest/gtest.h>

namespace {

std::string hex(const analysis::Digest& digest) {
    return zem::ByteView(std::span<const std::uint8_t>(digest)).hexRepresentation();
}

} // namespace

// The test vectors of RFC 1321 and RFC 2104, split into pieces as the checks hand them in.
TEST(RadiusDigest, MatchesThePublishedVectors) {
    EXPECT_EQ(hex(analysis::md5({})), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(hex(analysis::md5({zem::ByteView("message "), zem::ByteView("digest")})),
              "f96b697d7cb7938d525a2f31aaf161d0");
    const std::string key(16, '\x0b');
    for (int twice = 0; twice < 2; ++twice) // a context used again starts afresh
        EXPECT_EQ(hex(analysis::hmacMd5(zem::ByteView(key),
                                        {zem::ByteView("Hi "), zem::ByteView("There")})),
                  "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(hex(analysis::hmacMd5(zem::ByteView("Jefe"),
                                    {zem::ByteView("what do ya want for nothing?")})),
              "750c783e6ab0b503eaa86e310a5db738");
    const std::string longKey(80, '\xaa'); // longer than a block: digested first
    EXPECT_EQ(hex(analysis::hmacMd5(zem::ByteView(longKey),
                                    {zem::ByteView("Test Using Larger Than Block-Size Key - "
                                                   "Hash Key First")})),
              "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
}
