#include "IPAddress.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The word-wise order must be the defaulted one: the reports' rows are listed in it, and
// a table ordered otherwise would also find the wrong client.
TEST(IPAddressLess, OrdersAsTheAddressesThemselves) {
    std::vector<zem::IPAddress> addresses;
    for (const char* text : {"0.0.0.0",
                             "0.0.0.1",
                             "0.0.1.0",
                             "1.0.0.0",
                             "10.0.0.255",
                             "10.0.1.0",
                             "127.0.0.1",
                             "128.0.0.0",
                             "255.255.255.255",
                             "::",
                             "::1",
                             "::ffff:10.0.0.1",
                             "1::",
                             "fe80::1",
                             "fe80::1:0",
                             "fe80:0:0:1::",
                             "2001:db8::ff00:42:8329",
                             "ff02::1",
                             "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff",
                             "0:0:0:1::",
                             "0:0:0:0:8000::"})
        addresses.push_back(*zem::IPAddress::parse(text));
    // Octets past a v4 address's four are not its own, but the tables compare them too.
    zem::IPAddress withTail = *zem::IPAddress::parse("10.0.0.1");
    withTail.bytes[15] = 1;
    addresses.push_back(withTail);

    const zem::IPAddressLess less;
    for (const auto& a : addresses)
        for (const auto& b : addresses)
            EXPECT_EQ(less(a, b), a < b) << a.text() << " against " << b.text();
}

} // namespace
