#include "RADIUSValueTables.hpp"

#include <gtest/gtest.h>

using namespace radius;

TEST(ValueTables, TextsAndFallbacks) {
    struct Case {
        std::string (*text)(std::uint32_t);
        std::uint32_t value;
        const char* expected;
    } cases[] = {
        {serviceTypeText, 0, "Unknown (0)"},
        {serviceTypeText, 11, "Callback Administrative (11)"},
        {serviceTypeText, 12, "Unknown (12)"},
        {serviceTypeText, 65537, "Unknown (65537)"}, // low 16 bits would match Login
        {framedProtocolText, 3, "AppleTalk Remote Access Protocol (ARAP) (3)"},
        {framedRoutingText, 4, "4"},
        {framedRoutingText, 0, "None (0)"},
        {framedCompressionText, 4294967295u, "4294967295"},
        {loginServiceText, 7, "Unknown (7)"},
        {loginServiceText, 8, "TCP Clear Quiet (8)"},
        {terminationActionText, 1, "RADIUS-Request (1)"},
        {acctStatusTypeText, 4, "Unknown (4)"},
        {acctStatusTypeText, 6, "Unknown (6)"},
        {acctStatusTypeText, 7, "Accounting-On (7)"},
        {acctAuthenticText, 0, " Unknown (0)"},
        {acctAuthenticText, 4, " Unknown (4)"},
        {acctAuthenticText, 2, "Local (2)"},
        {acctTerminateCauseText, 18, "Host Request (18)"},
        {acctTerminateCauseText, 19, "Unknown (19)"},
        {ingressFiltersText, 2, "Disabled (2)"},
        {vlanTagIndicationText, 49, "Tagged (0x31)"},
        {vlanTagIndicationText, 50, "Untagged (0x32)"},
        {vlanTagIndicationText, 0, "Unknown (0x00)"},
        {vlanTagIndicationText, 5, "Unknown (0x05)"},
        {vlanTagIndicationText, 0x33, "Unknown (0x33)"},
        {vlanTagIndicationText, 255, "Unknown (0xff)"},
        {nasPortTypeText, 19, "Wireless - IEEE 802.11 (19)"},
        {nasPortTypeText, 20, "Unknown (20)"},
        {tunnelTypeText, 5, "Virtual Tunneling Protocol (VTP) (5)"},
        {tunnelTypeText, 13, "Unknown (13)"},
        {tunnelMediumTypeText, 5, "Virtual Tunneling Protocol (VTP) (5)"},
        {tunnelMediumTypeText, 15, "E.164 with NSAP format subaddress (15)"},
        {arapZoneAccessText, 0, "Unknown (0)"},
        {promptText, 0, "No Echo (0)"},
        {errorCauseText, 407, "Unknown (407)"},
        {errorCauseText, 0, "Unknown (0)"},
        {errorCauseText, 507, "Request Initiated (507)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text(c.value), c.expected) << c.value;
}

TEST(ValueTables, OriginatingLineInfo) {
    struct Case {
        std::uint16_t value;
        const char* expected;
    } cases[] = {
        {0, "Plain Old Telephone Service (00)"},
        {9, "Unknown (9)"},
        {29, "Prison/ Inmate Service (29)"},
        {39, "Unknown (39)"},
        {40, "Unrestricted Use (40)"},
        {42, "Unrestricted Use (42)"},
        {49, "Unrestricted Use (49)"},
        {50, "Unknown (50)"},
        {93, "Access for Private Virtual Network Service (93)"},
        {94, "Unknown (94)"},
        {65535, "Unknown (65535)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(originatingLineInfoText(c.value), c.expected) << c.value;
}

TEST(ValueTables, EveryRowAnswersItsOwnText) {
    for (int t = 1; t <= static_cast<int>(ValueTable::errorCause); ++t) {
        auto table = static_cast<ValueTable>(t);
        for (const auto& row : valueTableDefinition(table).rows)
            EXPECT_EQ(valueTableText(table, row.value), row.text);
    }
}
