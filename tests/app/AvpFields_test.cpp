// avp.NAME fields against tshark's radius.* fields on the public captures: its output is
// kept in peers/avp-fields-tshark.tsv (tests never run it), and ours must give the same
// text for every message.
#include "RunAnalyzer.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t at = 0;
    for (;;) {
        const auto tab = line.find('\t', at);
        cells.push_back(line.substr(at, tab - at));
        if (tab == std::string::npos)
            return cells;
        at = tab + 1;
    }
}

} // namespace

TEST(AvpFields, GiveTsharksTextsOnThePublicCaptures) {
    const std::string shared = std::string(RADIUS_SHARED_DIR) + "/captures/";
    if (!std::filesystem::exists(shared))
        GTEST_SKIP() << "no ../shared here";
    std::ifstream peer(std::string(RADIUS_TEST_SOURCE_DIR) + "/peers/avp-fields-tshark.tsv");
    std::map<std::string, std::vector<std::vector<std::string>>> byCapture;
    for (std::string line; std::getline(peer, line);)
        if (!line.starts_with("#"))
            byCapture[split(line)[0]].push_back(split(line));
    int compared = 0;
    for (const auto& [capture, rows] : byCapture) {
        // tshark claims 3799 for Dynamic Authorization; ours is told.
        std::string arguments = "-d udp.port==3799,RADIUS -T fields -E occurrence=a";
        for (const auto& row : rows) {
            std::string name = row[1].substr(7); // after "radius."
            std::replace(name.begin(), name.end(), '-', '_');
            arguments += " -e avp." + name;
        }
        std::istringstream lines(
            testing_support::runAnalyzer(arguments + " " + shared + capture).output);
        std::vector<std::vector<std::string>> ours;
        for (std::string line; std::getline(lines, line);)
            ours.push_back(split(line));
        ASSERT_EQ(ours.size(), rows.front().size() - 2) << capture;
        for (std::size_t field = 0; field < rows.size(); ++field)
            for (std::size_t message = 0; message < ours.size(); ++message) {
                EXPECT_EQ(ours[message].at(field), rows[field][message + 2])
                    << capture << " " << rows[field][1] << " message " << message + 1;
                ++compared;
            }
    }
    EXPECT_GT(compared, 350);
}
