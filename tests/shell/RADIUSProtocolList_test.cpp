#include "RADIUSProtocolList.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>

using radius::portNumbers;

TEST(ProtocolList, PortNumbers) {
    struct Case {
        const char* text;
        std::vector<std::int64_t> ports;
    } cases[] = {
        {"1645,1812", {1645, 1812}},
        {"1812,,1813", {1812, 1813}},
        {"1812, 1813", {1812}},
        {"+1812", {1812}},
        {"-5,70000", {-5, 70000}}, // no range check here
        {"abc", {}},
        {"", {}},
        {",", {}},
        {"1812,1812", {1812, 1812}},
        {"12a,13", {13}},
        {"+-1,--2,+", {}},
        {"9223372036854775807,9223372036854775808", {9223372036854775807}},
        {"-9223372036854775808", {std::numeric_limits<std::int64_t>::min()}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portNumbers(c.text), c.ports) << c.text;
}

TEST(ProtocolList, RegistrationValues) {
    zem::ZEMNetworkProtocol record(zem::ZEMUUID::random(), "RADIUS", "1812,x,1813", 12345);
    auto value = radius::plugInNetworkProtocol(record);
    EXPECT_EQ(value.id, record.id);
    EXPECT_EQ(value.protocolName, "RADIUS");
    EXPECT_EQ(value.protocolPorts, (std::vector<std::int64_t>{1812, 1813}));
    EXPECT_EQ(value.sourceProtocol, zem::kZEMSourceProtocols::udpTcp); // no case has 12345
    EXPECT_FALSE(value.ethertype || value.linktype || value.size);
    record.sourceProtocol = static_cast<std::int64_t>(zem::kZEMSourceProtocols::tcp);
    EXPECT_EQ(radius::plugInNetworkProtocol(record).sourceProtocol, zem::kZEMSourceProtocols::tcp);
}

TEST(ProtocolList, DefaultsAreSharedRecords) {
    const auto& a = radius::defaultNetworkProtocols();
    const auto& b = radius::defaultNetworkProtocols();
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].get(), b[0].get());
    EXPECT_EQ(a[0]->protocolName, "RADIUS");
    EXPECT_EQ(a[0]->protocolPorts, "1645,1812");
    EXPECT_EQ(a[1]->protocolName, "RADIUSACCT");
    EXPECT_EQ(a[1]->protocolPorts, "1646,1813");
    EXPECT_EQ(a[0]->sourceProtocol, 100);
    EXPECT_EQ(a[0]->ethertype, "");
    EXPECT_EQ(a[0]->size, 0);
}

TEST(ProtocolList, JsonForm) {
    auto list = zem::ZEMNetworkProtocol::decodeList(
        R"([{"id":"8E2C5B4E-0D5A-4E7B-9C55-2E6C4B1D1A10","protocolName":"X","protocolPorts":"1,2","sourceProtocol":6}])");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->id.text(), "8E2C5B4E-0D5A-4E7B-9C55-2E6C4B1D1A10");
    EXPECT_FALSE(list[0]->ethertype.has_value()); // an optional member may be missing
    auto again = zem::ZEMNetworkProtocol::decodeList(zem::ZEMNetworkProtocol::encodeList(list));
    EXPECT_EQ(again[0]->id, list[0]->id);
    EXPECT_EQ(again[0]->protocolName, "X");
    EXPECT_EQ(again[0]->protocolPorts, "1,2");
    EXPECT_EQ(again[0]->sourceProtocol, 6);
    for (
        const char* bad :
        {"", "{}", "[1]",
         R"([{"id":"nope","protocolName":"X","protocolPorts":"1","sourceProtocol":6}])",
         R"([{"id":"8E2C5B4E-0D5A-4E7B-9C55-2E6C4B1D1A10","protocolPorts":"1","sourceProtocol":6}])",
         R"([{"id":"8E2C5B4E-0D5A-4E7B-9C55-2E6C4B1D1A10","protocolName":"X","protocolPorts":"1","sourceProtocol":"6"}])"})
        EXPECT_THROW(zem::ZEMNetworkProtocol::decodeList(bad), std::runtime_error) << bad;
}
