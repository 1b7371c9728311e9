// Golden tests of the command line: every row of golden.list runs radius-analyzer and
// compares its standard output and standard error with golden/<name>.txt, and its exit
// status. Rows that read
// ../shared are skipped where it is absent. RADIUS_UPDATE_GOLDEN=1 rewrites the files.
#include "TestSupport.hpp"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Row {
    std::string name, arguments;
    int status;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

std::string trim(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

std::vector<Row> readRows() {
    std::ifstream in(std::string(RADIUS_TEST_SOURCE_DIR) + "/golden.list");
    std::vector<Row> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        auto a = line.find('|'), b = line.rfind('|');
        rows.push_back({trim(line.substr(0, a)), trim(line.substr(a + 1, b - a - 1)),
                        std::stoi(line.substr(b + 1))});
    }
    return rows;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class CommandLine : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(CommandLine, MatchesGolden) {
    const Row& row = GetParam();
    const std::string shared = RADIUS_SHARED_DIR;
    if (row.arguments.find("{shared}") != std::string::npos &&
        !std::filesystem::exists(shared + "/captures"))
        GTEST_SKIP() << "no ../shared here";
    testing_support::TemporaryFolder folder;
    std::string arguments = replaceAll(row.arguments, "{samples}", RADIUS_SAMPLES_DIR);
    arguments = replaceAll(arguments, "{shared}", shared);
    if (row.arguments.find("--hex {samples}") != std::string::npos) {
        // --hex takes the text of the sample file.
        std::string file = arguments.substr(arguments.find("--hex ") + 6);
        std::string text = trim(replaceAll(readAll(file), "\n", ""));
        arguments = arguments.substr(0, arguments.find("--hex ") + 6) + text;
    }
    std::string output = (folder.path() / "out.txt").string();
    std::string errors = (folder.path() / "err.txt").string();
    std::string command = "env -u COLORTERM LANG=C TZ=UTC RADIUS_ANALYZER_DEFAULTS=" +
                          (folder.path() / "defaults.plist").string() + " " +
                          RADIUS_ANALYZER_EXECUTABLE + " " + arguments + " > " + output + " 2> " +
                          errors;
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), row.status) << command;
    std::string actual = readAll(output) + "--- standard error\n" + readAll(errors);
    actual = replaceAll(actual, RADIUS_SAMPLES_DIR, "{samples}");
    actual = replaceAll(actual, std::string(RADIUS_BUNDLE_PARENT), "{build}");
    actual = replaceAll(actual, shared, "{shared}");
    std::string goldenPath = std::string(RADIUS_TEST_SOURCE_DIR) + "/golden/" + row.name + ".txt";
    if (std::getenv("RADIUS_UPDATE_GOLDEN")) {
        std::ofstream(goldenPath, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(actual, readAll(goldenPath)) << command;
}

INSTANTIATE_TEST_SUITE_P(Golden, CommandLine, ::testing::ValuesIn(readRows()),
                         [](const auto& rowInfo) {
                             return replaceAll(rowInfo.param.name, "-", "_");
                         });

// Message counts on the public captures, next to what tshark 4.0 counts with its default
// RADIUS ports (1645, 1646, 1700, 1812, 1813, 3799). Codes and identifiers of the common
// messages agree one for one (see the public-* golden files); the rows that differ say why.
TEST(PublicCaptures, CountsAgreeWithTshark) {
    const std::string shared = RADIUS_SHARED_DIR;
    if (!std::filesystem::exists(shared + "/captures"))
        GTEST_SKIP() << "no ../shared here";
    struct Case {
        const char* file;
        int ours, tshark;
        const char* why;
    } cases[] = {
        {"tcpdump/RADIUS.pcap", 4, 4, ""},
        {"tcpdump/RADIUS-RFC3162.pcap", 1, 1, ""},
        {"tcpdump/RADIUS-RFC4675.pcap", 6, 6, ""},
        {"tcpdump/RADIUS-RFC5176.pcap", 6, 6, ""},
        {"tcpdump/RADIUS-RFC5176-2.pcap", 1, 1, ""},
        {"tcpdump/RADIUS-RFC5580.pcap", 1, 1, ""},
        {"tcpdump/RADIUS-port1700.pcap", 1, 1, ""},
        {"tcpdump/radius_rfc5447.pcap", 1, 1, ""},
        {"tcpdump/radius_rfc5447_invalid_length.pcap", 1, 1, ""},
        {"tcpdump/radius_attr_asan.pcap", 0, 0,
         "IP claims 262144 octets, 95 captured: no UDP payload"},
        {"zeek/radius.pcap", 4, 4, ""},
        {"zeek/radius_localhost.pcap", 19, 19, ""},
        {"arkime/radius.pcap", 2, 2, ""},
        {"ndpi/fuzz-2020-02-16-11740.pcap", 286, 277,
         "tshark refuses payloads with an unknown code or a Length beyond the payload; the "
         "analyzer "
         "takes every payload of 20 octets or more on a claimed port and shows the damage in its "
         "tree"},
        {"ndpi/radius_false_positive.pcapng", 0, 0, "no claimed port"},
        {"pcapplusplus/radius_1_2_11.pcap", 3, 3, ""},
        {"pcapplusplus/radius_3.pcap", 1, 1, ""},
        {"pcapplusplus/radius_wrong.pcap", 1, 0,
         "a µTP datagram from port 1813 reads as code 1 with Length 45317; tshark's length check "
         "refuses it"},
    };
    for (const auto& c : cases) {
        testing_support::TemporaryFolder folder;
        std::string command =
            "RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "d.plist").string() + " " +
            RADIUS_ANALYZER_EXECUTABLE + " -d udp.port==1700,RADIUS -d udp.port==3799,RADIUS " +
            "-T fields -e frame " + shared + "/captures/" + c.file + " 2>/dev/null | wc -l";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        int count = -1;
        EXPECT_EQ(std::fscanf(pipe, "%d", &count), 1);
        pclose(pipe);
        EXPECT_EQ(count, c.ours) << c.file;
        if (c.ours != c.tshark) {
            EXPECT_STRNE(c.why, "") << c.file << " differs from tshark without a reason";
        }
    }
}

// Edits made by one process are what the next one registers, and a refused edit leaves
// the stored list as it was.
TEST(CommandLineSettings, PortEditsPersistAcrossProcesses) {
    testing_support::TemporaryFolder folder;
    std::string prefix = "RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "d.plist").string() + " " +
                         RADIUS_ANALYZER_EXECUTABLE + " ";
    auto run = [&](const std::string& arguments) {
        std::string command = prefix + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[4096];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        int status = pipe ? pclose(pipe) : -1;
        return std::make_pair(WEXITSTATUS(status), text);
    };
    auto fresh = run("-G plugins");
    EXPECT_NE(fresh.second.find("RADIUS\t1645,1812\tudp/tcp"), std::string::npos) << fresh.second;
    EXPECT_NE(fresh.second.find("RADIUSACCT\t1646,1813\tudp/tcp"), std::string::npos);
    const auto set = run("ports set RADIUS 1812,18120 udp");
    EXPECT_EQ(set.first, 0);
    EXPECT_NE(set.second.find("RADIUS now claims 1812,18120; stored in "), std::string::npos)
        << set.second;
    // A protocol claims a bounded number of ports, and the error says the bound.
    std::string many;
    for (int port = 20000; port < 20300; ++port) {
        if (!many.empty())
            many += ','; // appended: GCC 12 warns falsely of a literal + number text
        many += std::to_string(port);
    }
    const auto tooMany = run("ports set RADIUS " + many);
    EXPECT_EQ(tooMany.first, 1);
    EXPECT_NE(tooMany.second.find("at most 256 ports; got 300"), std::string::npos)
        << tooMany.second;
    auto edited = run("-G plugins");
    EXPECT_NE(edited.second.find("RADIUS\t1812,18120\tudp"), std::string::npos) << edited.second;
    auto refused = run("ports set RADIUS 1813");
    EXPECT_EQ(refused.first, 1);
    EXPECT_NE(refused.second.find("already claimed by RADIUSACCT"), std::string::npos)
        << refused.second;
    EXPECT_NE(run("-G plugins").second.find("RADIUS\t1812,18120\tudp"), std::string::npos);
    EXPECT_EQ(run("settings set com_quillfern_zem_radius_ip_resolve YES").first, 0);
    EXPECT_NE(run("-G prefs").second.find("com_quillfern_zem_radius_ip_resolve: YES"),
              std::string::npos);
    EXPECT_EQ(run("settings set com_quillfern_zem_radius_ip_resolve maybe").first, 1);
    EXPECT_EQ(run("ports reset").first, 0);
    EXPECT_NE(run("-G plugins").second.find("RADIUS\t1645,1812\tudp/tcp"), std::string::npos);
    // -o changes a setting for one run and writes nothing.
    run("-o com_quillfern_zem_radius_credentials_secret=YES -G prefs");
    EXPECT_NE(run("-G prefs").second.find("com_quillfern_zem_radius_credentials_secret: NO"),
              std::string::npos);
}

// Where the output goes decides how a run ends: a full disk is an error with one line, a
// reader that stops early ends the run quietly. Settings are checked against their kind.
TEST(CommandLineErrors, OutputThatCannotBeWrittenAndSettingsOfTheWrongKind) {
    testing_support::TemporaryFolder folder;
    const std::string samples = RADIUS_SAMPLES_DIR;
    struct Case {
        std::string arguments; // after the program, shell syntax
        int status;
        std::string error; // in standard error; empty: nothing there
    } cases[] = {
        {"-V " + samples + "/auth-exchange.pcap > /dev/full", 1,
         "radius-analyzer: cannot write the output: No space left on device\n"},
        {"-T json " + samples + "/auth-exchange.pcap > /dev/full", 1,
         "radius-analyzer: cannot write the output: No space left on device\n"},
        {"-G fields > /dev/full", 1,
         "radius-analyzer: cannot write the output: No space left on device\n"},
        {"--help > /dev/full", 1,
         "radius-analyzer: cannot write the output: No space left on device\n"},
        {"-V " + samples + "/auth-exchange.pcap | head -c 10 > /dev/null", 0, ""},
        {"settings set com_quillfern_zem_radius_color blue", 1,
         "radius-analyzer: settings set: com_quillfern_zem_radius_color wants a colour as red "
         "green blue [alpha] from 0 to 1, such as \"1 0.5 0 1\", got \"blue\"\n"},
        {"settings set com_quillfern_zem_radius_color '0 0.5 1'", 0, ""},
        {"settings set com_quillfern_zem_radius_ip_resolve sometimes", 1,
         "radius-analyzer: settings set: com_quillfern_zem_radius_ip_resolve wants YES or NO, "
         "got \"sometimes\"\n"},
        {"-o com_quillfern_zem_radius_color=red " + samples + "/auth-exchange.pcap", 1,
         "radius-analyzer: -o: com_quillfern_zem_radius_color wants a colour as red green blue "
         "[alpha] from 0 to 1, such as \"1 0.5 0 1\", got \"red\"\n"},
        {"-o com_quillfern_zem_radius_protocols=[] " + samples + "/auth-exchange.pcap", 1,
         "radius-analyzer: -o: com_quillfern_zem_radius_protocols holds the protocol list; use "
         "ports set\n"},
    };
    const std::string defaults = (folder.path() / "defaults.plist").string();
    const std::string errors = (folder.path() / "err.txt").string();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        // pipefail: a run that a stopped reader ended is judged by the program's status
        // (SIGPIPE, as other tools end), seen here as 141 from bash, or 0 when it was done.
        const std::string command =
            "bash -c 'set -o pipefail; env RADIUS_ANALYZER_DEFAULTS=" + defaults + " " +
            RADIUS_ANALYZER_EXECUTABLE + " " + replaceAll(c.arguments, "'", "'\\''") + " 2> " +
            errors + "'";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        if (c.arguments.find("| head") != std::string::npos)
            EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 141);
        else
            EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_EQ(readAll(errors), c.error);
    }
}

// A live capture on the loopback interface while messages are sent to a claimed port:
// every message is decoded, -f narrows what is captured, and the end says how many
// packets were captured and dropped. Skipped where this process may not capture.
TEST(CommandLineLive, DecodesWhatCrossesTheLoopbackInterface) {
    testing_support::TemporaryFolder folder;
    const auto output = (folder.path() / "out.txt").string();
    const auto errors = (folder.path() / "err.txt").string();
    const std::string command =
        "env RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() +
        " timeout 20 " + RADIUS_ANALYZER_EXECUTABLE +
        " -i lo -f 'udp and dst host 127.0.0.1' -c 5 -T fields -e dst "
        "-e dport -e radiusIdentifier > " +
        output + " 2> " + errors;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Send until the capture has taken five, or gave up.
    int sender = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sender, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(1812);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = 0;
    std::uint8_t identifier = 0;
    for (int tries = 0; tries < 150 && waitpid(child, &status, WNOHANG) == 0; ++tries) {
        std::uint8_t message[20] = {1, identifier++, 0, 20};
        sendto(sender, message, sizeof message, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        usleep(100000);
    }
    close(sender);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    const std::string stderrText = readAll(errors);
    if (stderrText.find("permission denied") != std::string::npos ||
        stderrText.find("Operation not permitted") != std::string::npos)
        GTEST_SKIP() << "no rights to capture here: " << stderrText;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << stderrText;
    std::istringstream lines(readAll(output));
    std::string line;
    int count = 0, previous = -1;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.rfind("127.0.0.1\t1812\t", 0), 0u) << line;
        const int id = std::stoi(line.substr(line.rfind('\t') + 1));
        EXPECT_GT(id, previous); // each once, in order
        previous = id;
    }
    EXPECT_EQ(count, 5);
    EXPECT_NE(stderrText.find(" packets captured, "), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find(" dropped by the kernel"), std::string::npos) << stderrText;
}
