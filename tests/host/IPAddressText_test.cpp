#include "IPAddress.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <string>

namespace {

// The system's own formatting, which the fast IPv4 path must agree with.
std::string systemText(const zem::IPAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(address.family == 4 ? AF_INET : AF_INET6, address.bytes.data(), text, sizeof text);
    return text;
}

TEST(IPAddressText, EveryOctetInEveryPlaceIsWrittenAsTheSystemWritesIt) {
    constexpr char guard = '\x5a';
    for (unsigned value = 0; value < 256; ++value) {
        // Each octet value once in each of the four places, beside values of other widths.
        for (std::size_t place = 0; place < 4; ++place) {
            zem::IPAddress address;
            address.bytes = {7, 42, 199, 0};
            address.bytes[place] = static_cast<std::uint8_t>(value);
            char room[zem::IPAddress::textRoom + 1];
            std::fill(std::begin(room), std::end(room), guard);
            const char* end = address.writeText(room);
            ASSERT_EQ(std::string(static_cast<const char*>(room), end), systemText(address))
                << value << " at " << place;
            EXPECT_EQ(room[zem::IPAddress::textRoom], guard) << "written past the room";
            EXPECT_EQ(address.text(), systemText(address));
        }
    }
}

} // namespace
