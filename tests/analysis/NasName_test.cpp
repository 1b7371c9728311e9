#include "TestSupport.hpp"
#include "wire/NasName.hpp"

#include <gtest/gtest.h>

namespace {

// An Access-Request whose attribute list is `attributes` (hex), its Length set to fit.
std::vector<std::uint8_t> requestWith(const std::string& attributes) {
    auto message =
        testing_support::hex("01 07 0000 00000000000000000000000000000000 " + attributes);
    message[2] = static_cast<std::uint8_t>(message.size() >> 8);
    message[3] = static_cast<std::uint8_t>(message.size());
    return message;
}

// The walk that keeps no list names the NAS as the kept list does, and counts the same
// damage: the clients report takes the one, the sessions report the other.
TEST(NasName, OneWalkNamesTheNasAsTheKeptListDoes) {
    const struct {
        const char* what;
        std::string attributes;
        std::string name;
    } cases[] = {
        {"none named", "0106 616c6963", ""},
        {"NAS-Identifier first", "0406 c000020a 2007 6e61732d31", "nas-1"},
        {"NAS-IP-Address", "0406 c000020a", "192.0.2.10"},
        {"the first of two", "0406 c000020a 0406 c000020b", "192.0.2.10"},
        {"NAS-IPv6-Address", "5f12 20010db8000000000000000000000001", "2001:db8::1"},
        {"an address of the wrong size passed over",
         "0405 c00002 5f12 20010db8000000000000000000000001", "2001:db8::1"},
        {"a truncated identifier names nothing", "0406 c000020a 2009 6e6173", "192.0.2.10"},
        {"an empty identifier", "2002 0406 c000020a", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto message = requestWith(c.attributes);
        const zem::ByteView octets(message);
        const auto wire = analysis::WireMessage::parse(octets);
        ASSERT_TRUE(wire);
        const auto named = analysis::nasNameOf(octets);
        EXPECT_EQ(analysis::nasName(*wire), c.name);
        EXPECT_EQ(named.name, c.name);
        EXPECT_EQ(named.damage, wire->damage());
    }
}

} // namespace
