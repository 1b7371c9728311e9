// The eap.* fields print what tshark 4.0 printed for them on the captures whose EAP both
// read alike (kept in peers/eap-tshark.tsv), and -Y and JSON read them.
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>

TEST(EapFields, PrintWhatTsharkPrints) {
    const auto expected =
        testing_support::peerLines("eap-tshark.tsv", [](std::string line) { return line; });
    ASSERT_EQ(expected.size(), 14u);
    for (const auto& [capture, lines] : expected) {
        SCOPED_TRACE(capture);
        const auto run = testing_support::runAnalyzer(
            "-d udp.port==3799,RADIUS -T fields -e frame.number -e eap.code -e eap.id -e eap.len "
            "-e eap.type -e eap.identity -e eap.desired_type " +
            testing_support::peerCapturePath(capture));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, lines);
    }
}

TEST(EapFields, FiltersAndJsonReadThem) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap";
    struct Case {
        std::string arguments;
        std::string output;
    } cases[] = {
        {"-T fields -e frame -Y 'eap.type == 4'", "4\n5\n"},
        {"-T fields -e frame -Y 'eap.identity == \"bob\"'", "3\n"},
        {"-T fields -e frame -Y 'eap.code && !eap.type'", "6\n"},
        {"-T fields -e frame -Y 'eap.code == 4'", "6\n"},
        {"-T json -Y 'frame == 3'",
         "\"eap\":{\"code\":2,\"id\":1,\"len\":8,\"type\":1,\"identity\":\"bob\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments + " " + capture);
        if (c.arguments.starts_with("-T json")) {
            EXPECT_NE(run.output.find(c.output), std::string::npos) << run.output;
            continue;
        }
        EXPECT_EQ(run.output, c.output);
    }
}
