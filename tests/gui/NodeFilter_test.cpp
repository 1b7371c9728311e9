// The field and filter a line of the detail tree stands for (Apply as Filter).
#include "NodeFilter.hpp"

#include <gtest/gtest.h>

TEST(NodeFilter, AnAttributesValueLineIsItsFieldCompared) {
    struct Case {
        QStringList titles; // the line first, then its parents
        const char* field;  // "" for none
        const char* expression;
    } cases[] = {
        {{"User Name: alice", "AVP 1 - User-Name"}, "avp.User_Name", "avp.User_Name == \"alice\""},
        {{"Service Type: Framed (2)", "AVP 6 - Service-Type"},
         "avp.Service_Type",
         "avp.Service_Type == 2"},
        {{"Text: say \"hi\"", "AVP 18 - Reply-Message"},
         "avp.Reply_Message",
         "avp.Reply_Message == \"say \\\"hi\\\"\""},
        {{"AVP 31 - Calling-Station-Id"}, "avp.Calling_Station_Id", "avp.Calling_Station_Id"},
        {{"Attribute: User-Name (1)", "AVP 1 - User-Name"}, "", ""},
        {{"Length: 7 bytes", "AVP 1 - User-Name"}, "", ""},
        {{"Tag: 1", "Tunnel-Type", "AVP 26 - Vendor-Specific"}, "", ""},
        {{"Code: Access-Request (1)", "RADIUS-Header"}, "", ""},
        // The layers' lines, by tshark's names.
        {{"Source Address: 192.0.2.10", "Internet Protocol Version 4, Src: 192.0.2.10, Dst: x"},
         "ip.src",
         "ip.src == 192.0.2.10"},
        {{"Destination Address: 2001:db8::1", "Internet Protocol Version 6, Src: a, Dst: b"},
         "ipv6.dst",
         "ipv6.dst == 2001:db8::1"},
        {{"Destination Port: 1812", "User Datagram Protocol, Src Port: 50000, Dst Port: 1812"},
         "udp.dstport",
         "udp.dstport == 1812"},
        {{"Source Port: 40001", "Transmission Control Protocol, Src Port: 40001, Dst Port: 1812"},
         "tcp.srcport",
         "tcp.srcport == 40001"},
        {{"Frame Number: 7", "Frame 7: 167 bytes on wire (1336 bits), 167 bytes captured"},
         "frame.number",
         "frame.number == 7"},
        {{"Time to Live: 64", "Internet Protocol Version 4, Src: a, Dst: b"}, "", ""},
    };
    for (const auto& c : cases) {
        const auto filter = gui::nodeFilter(c.titles);
        EXPECT_EQ(filter ? filter->field.toStdString() : "", c.field)
            << c.titles.join(" < ").toStdString();
        EXPECT_EQ(filter ? filter->expression.toStdString() : "", c.expression);
    }
    EXPECT_EQ(gui::nodeValue("User Name: alice"), "alice");
    EXPECT_EQ(gui::nodeValue("RADIUS-Header"), "RADIUS-Header");
}
