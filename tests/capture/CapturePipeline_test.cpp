#include "CapturePipeline.hpp"
#include "ClaimedPorts.hpp"
#include "ZEMPlugInsController.hpp"

#include <gtest/gtest.h>
#include <pcap/pcap.h>

using capture::CapturePipeline;
using capture::MessageOrigin;

namespace {

struct Delivered {
    std::uint64_t frame;
    std::string source, transport;
    std::uint16_t sourcePort, destinationPort;
    std::size_t size;
    std::uint8_t identifier;
};

// Runs a sample capture through the pipeline with RADIUS claimed on 1812 and 1813.
std::vector<Delivered> run(const std::string& sample) {
    testing_support::claimRadiusPorts();
    std::vector<Delivered> delivered;
    CapturePipeline pipeline([&](const MessageOrigin& o, zem::ByteView payload) {
        delivered.push_back({o.frame, o.source.text(), std::string(zem::transportName(o.transport)),
                             o.sourcePort, o.destinationPort, payload.size(),
                             payload.at(1).value_or(0)});
    });
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* pcap =
        pcap_open_offline((std::string(RADIUS_SAMPLES_DIR) + "/" + sample).c_str(), error);
    EXPECT_NE(pcap, nullptr) << error;
    if (!pcap)
        return delivered;
    pcap_pkthdr* header;
    const std::uint8_t* data;
    while (pcap_next_ex(pcap, &header, &data) == 1)
        pipeline.frame(pcap_datalink(pcap), static_cast<double>(header->ts.tv_sec),
                       zem::ByteView(std::span(data, header->caplen)));
    pcap_close(pcap);
    return delivered;
}

} // namespace

TEST(CapturePipeline, EveryLinkTypeDeliversTheSameMessages) {
    for (const char* sample : {"vlan.pcap", "qinq.pcap", "linux-sll.pcap", "linux-sll2.pcap",
                               "raw-ip.pcap", "bsd-null.pcap"}) {
        auto messages = run(sample);
        ASSERT_EQ(messages.size(), 2u) << sample;
        EXPECT_EQ(messages[0].source, "192.0.2.10") << sample;
        EXPECT_EQ(messages[0].destinationPort, 1812) << sample;
        EXPECT_EQ(messages[1].sourcePort, 1812) << sample;
        EXPECT_EQ(messages[0].identifier, 30) << sample;
    }
}

TEST(CapturePipeline, FragmentsAreDeliveredOnceWhole) {
    for (const char* sample : {"fragmented-eap-ipv4.pcap", "fragmented-eap-ipv6.pcap"}) {
        auto messages = run(sample);
        ASSERT_EQ(messages.size(), 2u) << sample;
        EXPECT_EQ(messages[0].frame, 3u) << sample; // the frame that completed it
        EXPECT_GT(messages[0].size, 3000u) << sample;
    }
}

TEST(CapturePipeline, TcpMessagesAreFramedOnce) {
    auto split = run("tcp-split.pcap");
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].transport, "TCP");
    EXPECT_EQ(split[0].identifier, 60);
    EXPECT_EQ(split[1].identifier, 61);
    auto merged = run("tcp-merged.pcap");
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0].frame, merged[1].frame); // two messages in one segment
    EXPECT_EQ(merged[2].identifier, 62);
}

TEST(CapturePipeline, UnclaimedPortsAreIgnored) {
    EXPECT_TRUE(run("coa-disconnect.pcap").empty()); // port 3799 is not claimed here
    EXPECT_EQ(run("malformed.pcap").size(), 5u);     // short payloads still reach the sink
}
