// The checks that shared secrets allow, run on the secrets sample, whose messages the
// generator signed with known secrets and altered in known places.
#include "RunAnalyzer.hpp"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

const std::string samples = RADIUS_SAMPLES_DIR;

using testing_support::AnalyzerRun;

AnalyzerRun run(const std::string& arguments) {
    return testing_support::runAnalyzer(arguments);
}

std::vector<std::vector<std::string>> rows(const std::string& text) {
    std::vector<std::vector<std::string>> result;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line.starts_with("#") || line.starts_with("radius-analyzer:"))
            continue;
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, '\t');)
            cells.push_back(cell);
        if (line.ends_with('\t'))
            cells.emplace_back();
        result.push_back(cells);
    }
    return result;
}

// The secrets the generator used, every client's right one.
std::string rightSecretsFile(const testing_support::TemporaryFolder& folder) {
    const auto path = (folder.path() / "right.txt").string();
    std::ofstream(path) << "192.0.2.0/24 testing123\n192.0.2.77 lab-secret\n"
                           "198.51.100.0/24 campus secret\n2001:db8::/64 v6-secret\n"
                           "203.0.113.5 real-secret\n";
    return path;
}

const std::string checkFields = " -d udp.port==3799,RADIUS -T fields -e frame -e "
                                "radiusCodeResolved -e authenticatorCheck -e "
                                "messageAuthenticatorCheck -e userPassword ";

} // namespace

TEST(Secrets, UnderTheRightSecretsOnlyTheAlteredMessagesCheckInvalid) {
    testing_support::TemporaryFolder folder;
    const auto result =
        run("--secrets " + rightSecretsFile(folder) + checkFields + samples + "/secrets.pcap");
    ASSERT_EQ(result.status, 0) << result.output;
    // 19, 21, 24: an attribute, an authenticator and a Message-Authenticator octet
    // flipped; 25-27: Message-Authenticator twice, of 17 octets, missing beside EAP.
    const std::set<std::string> altered = {"19", "21", "24", "25", "26", "27"};
    // 28: a response whose request is missing; 47, 48: a client without a secret; Access
    // requests without Message-Authenticator carry nothing to verify.
    const std::set<std::string> unverifiable = {"28", "32", "34", "47", "48"};
    const auto table = rows(result.output);
    ASSERT_EQ(table.size(), 48u);
    for (const auto& row : table) {
        SCOPED_TRACE(row[0] + " " + row[1]);
        const bool invalid = row[2] == "invalid" || row[3] == "invalid";
        const bool valid = row[2] == "valid" || row[3] == "valid";
        EXPECT_EQ(invalid, altered.count(row[0]) == 1);
        if (!invalid) {
            EXPECT_EQ(valid, unverifiable.count(row[0]) == 0);
        }
    }
    // Passwords of 8, 1, 16, 17 and 128 octets decrypt to what was sent.
    const std::map<std::string, std::string> passwords = {{"1", "password"},
                                                          {"3", "x"},
                                                          {"5", std::string(16, 'p')},
                                                          {"7", std::string(17, 'q')},
                                                          {"9", std::string(128, 'r')},
                                                          {"43", "password"}};
    for (const auto& row : table) {
        if (auto expected = passwords.find(row[0]); expected != passwords.end()) {
            EXPECT_EQ(row[4], expected->second) << "frame " << row[0];
        }
    }
}

TEST(Secrets, BothFileFormsGiveTheSameChecks) {
    const auto lines =
        run("--secrets " + samples + "/secrets.txt" + checkFields + samples + "/secrets.pcap");
    const auto conf =
        run("--secrets " + samples + "/clients.conf" + checkFields + samples + "/secrets.pcap");
    EXPECT_EQ(rows(lines.output), rows(conf.output));
    EXPECT_EQ(lines.status, 0);
    EXPECT_EQ(conf.status, 0);
}

// Where tshark can check (one secret for every client, response authenticators only, and
// User-Password), it agrees; its output on this sample is kept in peers/.
TEST(Secrets, AgreesWithTsharkWhereItChecks) {
    std::ifstream file(std::string(RADIUS_TEST_SOURCE_DIR) + "/peers/secrets-tshark.tsv");
    std::stringstream peer;
    peer << file.rdbuf();
    const auto ours =
        rows(run("--secret testing123" + checkFields + samples + "/secrets.pcap").output);
    std::map<std::string, std::vector<std::string>> byFrame;
    for (const auto& row : ours)
        byFrame[row[0]] = row;
    int compared = 0;
    for (const auto& row : rows(peer.str())) {
        SCOPED_TRACE("frame " + row[0]);
        const auto& mine = byFrame[row[0]];
        ASSERT_EQ(mine.size(), 5u);
        if (row.size() > 3 && (row[2] == "1" || row[3] == "1")) {
            EXPECT_EQ(mine[2], row[2] == "1" ? "valid" : "invalid");
            ++compared;
        }
        // tshark escapes what is not printable; those are wrong-secret garbage anyway.
        if (row.size() > 4 && !row[4].empty() && row[4].find('\\') == std::string::npos) {
            EXPECT_EQ(mine[4], row[4]);
            ++compared;
        }
    }
    EXPECT_GE(compared, 30);
}

TEST(Secrets, TheEnvironmentGivesTheSecretOffTheCommandLine) {
    const auto byOption =
        run("--secret testing123" + checkFields + samples + "/secrets.pcap").output;
    const auto without = run(checkFields + samples + "/secrets.pcap").output; // unverified
    EXPECT_NE(byOption, without);
    // The test program's environment is the run's.
    setenv("RADIUS_ANALYZER_SECRET", "testing123", 1);
    const auto given = run(checkFields + samples + "/secrets.pcap").output;
    setenv("RADIUS_ANALYZER_SECRET", "", 1);
    const auto empty = run(checkFields + samples + "/secrets.pcap");
    unsetenv("RADIUS_ANALYZER_SECRET");
    EXPECT_EQ(given, byOption);
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.output.find("RADIUS_ANALYZER_SECRET: the shared secret is empty"),
              std::string::npos)
        << empty.output;
}

TEST(Secrets, NoSecretReachesAnyOutput) {
    testing_support::TemporaryFolder folder;
    const std::string secret = "Zq7-unmistakable";
    const auto file = (folder.path() / "secrets.txt").string();
    std::ofstream(file) << "192.0.2.0/24 " << secret << "\n";
    const std::string forms[] = {"-V -x",
                                 "-T json",
                                 "-T ek",
                                 "-T fields -e userPassword -e exposure",
                                 "-q -z radius,stats -z radius,security",
                                 "-G prefs"};
    for (const auto& form : forms) {
        SCOPED_TRACE(form);
        for (const auto& secrets : {"--secret " + secret, "--secrets " + file}) {
            const auto result = run(form + " " + secrets + " " + samples + "/secrets.pcap");
            EXPECT_EQ(result.output.find(secret), std::string::npos);
        }
    }
    // Nor a bad line's error.
    std::ofstream(file) << "not-an-address " << secret << "\n";
    const auto bad = run("--secrets " + file + " " + samples + "/secrets.pcap");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.output.find(secret), std::string::npos);
    EXPECT_NE(bad.output.find(":1: expected ADDRESS[/PREFIX] SECRET"), std::string::npos);
}

TEST(Secrets, AFileOnlyItsOwnerReadsGivesNoWarning) {
    testing_support::TemporaryFolder folder;
    const auto file = (folder.path() / "secrets.txt").string();
    std::ofstream(file) << "192.0.2.0/24 testing123\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    const auto quiet = run("-c 1 --secrets " + file + " " + samples + "/secrets.pcap");
    EXPECT_EQ(quiet.output.find("warning"), std::string::npos) << quiet.output;
    std::filesystem::permissions(file, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    const auto warned = run("-c 1 --secrets " + file + " " + samples + "/secrets.pcap");
    EXPECT_NE(warned.output.find("is readable by every user"), std::string::npos);
}
