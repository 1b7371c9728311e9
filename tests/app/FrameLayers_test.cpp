// -V starts each message with its frame and the layers that carried it, named as tshark
// names them (peers/layers-tshark.tsv: tshark 4.0's top-level lines below RADIUS on every
// link type, IPv6, fragments and public captures); -O keeps to the layers named, and -x
// dumps the frame.
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// The top-level lines of -V that are not the plug-in's or ours: the layers.
std::string layerLines(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("  ") || line.starts_with("   "))
            continue;
        const auto title = line.substr(2);
        if (title.starts_with("RADIUS") || title.starts_with("AVP") || title.starts_with("EAP"))
            continue;
        kept += title + "\n";
    }
    return kept;
}

std::string sample(const std::string& name) {
    return std::string(RADIUS_SAMPLES_DIR) + "/" + name;
}

} // namespace

TEST(FrameLayers, AreTheOnesTsharkShows) {
    const auto expected =
        testing_support::peerLines("layers-tshark.tsv", [](std::string line) { return line; });
    ASSERT_EQ(expected.size(), 13u);
    for (const auto& [capture, lines] : expected) {
        SCOPED_TRACE(capture);
        // CoA's port and the public captures' ports are claimed by default, as tshark's.
        const auto run =
            testing_support::runAnalyzer("-V " + testing_support::peerCapturePath(capture));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(layerLines(run.output), lines);
    }
}

TEST(FrameLayers, OptionsChooseWhatIsShown) {
    const auto radiusOnly =
        testing_support::runAnalyzer("-O radius -c 1 " + sample("auth-exchange.pcap"));
    struct Case {
        std::string arguments;
        std::vector<std::string> present, absent;
        int status = 0;
    } cases[] = {
        // -O radius is the RADIUS layers alone, and implies -V.
        {"-O radius -c 1 " + sample("auth-exchange.pcap"),
         {"  RADIUS-Header\n", "    User Name: alice\n"},
         {"Frame 1", "Ethernet II", "User Datagram Protocol"}},
        {"-O ip,UDP -c 1 " + sample("auth-exchange.pcap"),
         {"  Internet Protocol Version 4, Src: 192.0.2.10, Dst: 192.0.2.1\n",
          "    Time to Live: 64\n", "    Checksum: 0x8244\n"},
         {"Frame 1:", "Ethernet II", "RADIUS-Header"}},
        // -x dumps the whole frame (Ethernet first), or the message when -O leaves out
        // every layer below it.
        {"-x -c 1 " + sample("auth-exchange.pcap"),
         {"0000  00 11 22 33 44 55 00 66  77 88 99 aa 08 00 45 00  ..\"3DU.fw.....E.\n"},
         {"RADIUS-Header"}},
        {"-x -O radius -c 1 " + sample("auth-exchange.pcap"),
         {"0000  01 01 00 7d 72 35 54 86  58 c8 6f 6c c4 12 4f 31  ...}r5T.X.ol..O1\n"},
         {"0000  00 11"}},
        // A message joined from TCP segments says so under the segment that ended it.
        {"-O tcp " + sample("tcp-split.pcap"),
         {"Transmission Control Protocol, Src Port: 40001, Dst Port: 1812, Seq: 1126, Len: 30\n",
          "    [RADIUS message of 125 bytes, joined from this and earlier segments]\n"},
         {}},
        // The last fragment's frame shows the joined datagram's UDP header.
        {"-O ip,udp " + sample("fragmented-eap-ipv4.pcap"),
         {"    Flags: 0x0\n    Fragment Offset: 2800\n",
          "  User Datagram Protocol, Src Port: 50000, Dst Port: 1812\n"},
         {}},
        {"-V -c 1 --tls-keylog " + sample("radsec-tls12.keys") + " " + sample("radsec-tls12.pcap"),
         {"  Transport Layer Security\n    [RADIUS message of 84 bytes, decrypted from the "
          "connection's records]\n  RADIUS-Header\n"},
         {}},
        // What Apply as Filter makes of the layers' lines is a filter the command line takes.
        {"-T fields -e frame -Y 'frame.number == 3 && ip.src == 192.0.2.10 && "
         "udp.dstport == 1812' " +
             sample("auth-exchange.pcap"),
         {"3\n"},
         {}},
        // A message given as hexadecimal has no frame.
        {"-V -x --hex 0301001400000000000000000000000000000000",
         {"RADIUS-Header\n", "0000  03 01 00 14 00 00"},
         {"Frame"}},
        {"-O radius,ppp " + sample("auth-exchange.pcap"),
         {"-O: unknown protocol \"ppp\" (known: frame, eth, vlan, sll, null, raw, ip, ipv6, udp, "
          "tcp, tls, dtls, radius) (see --help)\n"},
         {"RADIUS-Header"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.output;
        for (const auto& text : c.present)
            EXPECT_NE(run.output.find(text), std::string::npos) << run.output;
        for (const auto& text : c.absent)
            EXPECT_EQ(run.output.find(text), std::string::npos) << run.output;
    }
    // -O radius is exactly the output -V gave before the layers were shown: -V less them.
    const auto all = testing_support::runAnalyzer("-V -c 1 " + sample("auth-exchange.pcap"));
    std::istringstream allLines(all.output);
    std::string withoutLayers;
    bool inLayer = false;
    for (std::string line; std::getline(allLines, line);) {
        if (line.starts_with("  ") && !line.starts_with("   "))
            inLayer = !line.starts_with("  RADIUS");
        if (!inLayer)
            withoutLayers += line + "\n";
    }
    EXPECT_EQ(radiusOnly.output, withoutLayers);
}
