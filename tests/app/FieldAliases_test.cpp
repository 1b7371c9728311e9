// tshark's field names as aliases of ours: on the samples, `-e` with tshark's names must
// print what tshark 4.0 printed for them (kept in peers/aliases-tshark.tsv; tests never
// run it), and -Y must take them; an unknown name suggests the nearest known one.
#include "RunAnalyzer.hpp"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

TEST(FieldAliases, PrintWhatTsharkPrintsOnTheSamples) {
    std::ifstream peer(std::string(RADIUS_TEST_SOURCE_DIR) + "/peers/aliases-tshark.tsv");
    std::string fields;
    std::map<std::string, std::string> expected; // by sample: its lines
    for (std::string line; std::getline(peer, line);) {
        if (line.starts_with("#"))
            continue;
        const auto tab = line.find('\t');
        if (line.starts_with("fields\t")) {
            for (std::size_t at = tab; at != std::string::npos;) {
                const auto next = line.find('\t', at + 1);
                fields += " -e " + line.substr(at + 1, next - at - 1);
                at = next;
            }
            continue;
        }
        expected[line.substr(0, tab)] += line.substr(tab + 1) + "\n";
    }
    ASSERT_FALSE(fields.empty());
    ASSERT_EQ(expected.size(), 7u);
    for (const auto& [sample, lines] : expected) {
        SCOPED_TRACE(sample);
        // tshark decodes port 3799 (Dynamic Authorization) as RADIUS; ours is told so.
        const auto run =
            testing_support::runAnalyzer("-d udp.port==3799,RADIUS -T fields" + fields + " " +
                                         RADIUS_SAMPLES_DIR + "/" + sample);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, lines);
    }
}

TEST(FieldAliases, FiltersAndSuggestions) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap";
    struct Case {
        std::string arguments;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"-T fields -e frame -Y 'radius.User_Name == \"bob\" && ip.src == \"192.0.2.10\"'", 0,
         "3\n5\n"},
        {"-T fields -e frame -Y 'radius.code == 3'", 0, "6\n"},
        {"-T fields -e radius.Usr_Name", 1,
         "radius-analyzer: -e: unknown field \"radius.Usr_Name\" (did you mean "
         "\"radius.User_Name\"? see -G fields)\n"},
        {"-Y 'radius.cod == 2'", 1,
         "radius-analyzer: -Y: unknown field \"radius.cod\" (did you mean \"radius.code\"? see "
         "-G fields)\n"},
        {"-T fields -e radiusCod", 1,
         "radius-analyzer: -e: unknown field \"radiusCod\" (did you mean \"radiusCode\"? see "
         "-G fields)\n"},
        {"-T fields -e nothing.like.it", 1,
         "radius-analyzer: -e: unknown field \"nothing.like.it\" (see -G fields)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments + " " + capture);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output, c.output);
    }
}
