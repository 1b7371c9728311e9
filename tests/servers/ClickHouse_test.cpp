// -T jsonl into a real ClickHouse cluster: two Debian clickhouse-server instances as two
// shards, the tables made from share/clickhouse/radius.sql, the rows of two capture
// points loaded through the Distributed table; the cluster's totals must be what our own
// reports print for the same captures.
#include "IPAddress.hpp"
#include "ServerProcess.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testing_support::fileText;
using testing_support::ServerProcess;
using testing_support::waitUntil;

struct Shard {
    int tcpPort = testing_support::freeLoopbackPort();
    int httpPort = testing_support::freeLoopbackPort();
    fs::path folder;
};

// A server of its own in `shard.folder`, on loopback only, that knows both shards.
void writeConfiguration(const Shard& shard, const Shard& first, const Shard& second) {
    fs::create_directories(shard.folder);
    const auto f = shard.folder.string();
    std::ofstream config(shard.folder / "config.xml");
    config << "<yandex>\n"
           << "  <logger><level>warning</level><log>" << f << "/server.log</log><errorlog>" << f
           << "/error.log</errorlog></logger>\n"
           << "  <listen_host>127.0.0.1</listen_host>\n"
           << "  <tcp_port>" << shard.tcpPort << "</tcp_port>\n"
           << "  <http_port>" << shard.httpPort << "</http_port>\n"
           << "  <path>" << f << "/data/</path><tmp_path>" << f << "/tmp/</tmp_path>\n"
           << "  <user_files_path>" << f << "/user_files/</user_files_path>\n"
           << "  <format_schema_path>" << f << "/format_schemas/</format_schema_path>\n"
           << "  <users_config>" << f << "/users.xml</users_config>\n"
           << "  <default_profile>default</default_profile>\n"
           << "  <default_database>default</default_database>\n"
           << "  <mark_cache_size>5368709120</mark_cache_size>\n"
           << "  <remote_servers><radius_cluster>\n";
    for (const auto* each : {&first, &second})
        config << "    <shard><replica><host>127.0.0.1</host><port>" << each->tcpPort
               << "</port></replica></shard>\n";
    config << "  </radius_cluster></remote_servers>\n</yandex>\n";
    std::ofstream users(shard.folder / "users.xml");
    users << "<yandex><profiles><default/></profiles><quotas><default/></quotas>\n"
          << "<users><default><password/><networks><ip>127.0.0.1</ip></networks>"
          << "<profile>default</profile><quota>default</quota></default></users></yandex>\n";
}

// Runs a shell command; answers its exit status and its standard output.
std::pair<int, std::string> shell(const std::string& command, const fs::path& folder) {
    const auto out = folder / "shell.out";
    const int status = std::system((command + " >" + out.string() + " 2>&1").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileText(out)};
}

// "key\tvalue" lines as a map.
std::map<std::string, std::string> pairs(const std::string& text) {
    std::map<std::string, std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (const auto tab = line.find('\t'); tab != std::string::npos)
            result[line.substr(0, tab)] = line.substr(tab + 1);
    return result;
}

// The rows of -z radius,stats that count messages by code: "Access-Request (1)   5".
std::map<std::string, std::string> statisticsByCode(const std::string& report) {
    std::map<std::string, std::string> counts;
    static const std::regex row(R"(^[A-Za-z-]+ \((\d+)\) +(\d+)$)");
    std::istringstream in(report);
    std::string line;
    std::smatch match;
    while (std::getline(in, line))
        if (std::regex_match(line, match, row))
            counts[match[1]] = match[2];
    return counts;
}

// Client -> Answered from -z radius,clients: after the client, its NAS and its
// "code:count" words comes the answered count.
std::map<std::string, std::string> answeredByClient(const std::string& report) {
    std::map<std::string, std::string> answered;
    static const std::regex codeCount(R"(^(\d+:\d+|-)$)");
    std::istringstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
        if (w.size() < 5 || !zem::IPAddress::parse(w[0]))
            continue;
        std::size_t at = 2;
        while (at < w.size() && std::regex_match(w[at], codeCount))
            ++at;
        if (at < w.size())
            answered[w[0]] = w[at];
    }
    return answered;
}

} // namespace

TEST(ClickHouse, TwoShardsHoldTheRowsAndAnswerOurTotals) {
    const auto server = testing_support::findProgram("clickhouse-server");
    const auto client = testing_support::findProgram("clickhouse-client");
    if (server.empty() || client.empty())
        GTEST_SKIP() << "Debian's clickhouse-server and clickhouse-client are not installed";
    testing_support::TemporaryFolder folder;
    Shard first, second;
    first.folder = folder.path() / "shard1";
    second.folder = folder.path() / "shard2";
    std::vector<std::unique_ptr<ServerProcess>> servers;
    for (const auto* shard : {&first, &second}) {
        writeConfiguration(*shard, first, second);
        servers.push_back(std::make_unique<ServerProcess>(
            std::vector<std::string>{server,
                                     "--config-file=" + (shard->folder / "config.xml").string()},
            shard->folder / "console.log"));
    }
    const auto query = [&](const Shard& shard, const std::string& sql) {
        return shell(client + " --port " + std::to_string(shard.tcpPort) + " --query \"" + sql +
                         "\"",
                     folder.path());
    };
    for (const auto* shard : {&first, &second})
        ASSERT_TRUE(waitUntil([&] { return query(*shard, "SELECT 1").first == 0; }, 60))
            << fileText(shard->folder / "console.log") << fileText(shard->folder / "error.log");

    const std::string schema = std::string(RADIUS_SOURCE_DIR) + "/share/clickhouse/radius.sql";
    for (const auto* shard : {&first, &second}) {
        const auto made =
            shell(client + " --port " + std::to_string(shard->tcpPort) + " --multiquery <" + schema,
                  folder.path());
        ASSERT_EQ(made.first, 0) << made.second;
    }

    // Two capture points: a generated capture of 2,000 clients, and two samples.
    const auto bench = (folder.path() / "bench.pcap").string();
    ASSERT_EQ(std::system((std::string(RADIUS_MAKE_SAMPLES_EXECUTABLE) + " --bench 4000 " + bench +
                           " >/dev/null")
                              .c_str()),
              0);
    const std::string samples = RADIUS_SAMPLES_DIR;
    const std::vector<std::pair<std::string, std::string>> points = {
        {"probe-1", bench}, {"probe-2", samples + "/accounting.pcap " + samples + "/ipv6.pcap"}};
    const std::string analyzer = std::string("env RADIUS_ANALYZER_DEFAULTS=") +
                                 (folder.path() / "defaults.plist").string() + " " +
                                 RADIUS_ANALYZER_EXECUTABLE;
    std::string allCaptures;
    for (const auto& [host, captures] : points) {
        const auto loaded =
            shell(analyzer + " -T jsonl --capture-host " + host + " " + captures + " | " + client +
                      " --port " + std::to_string(first.tcpPort) +
                      " --input_format_skip_unknown_fields=1 --insert_distributed_sync=1"
                      " --query 'INSERT INTO radius_messages_all FORMAT JSONEachRow'",
                  folder.path());
        ASSERT_EQ(loaded.first, 0) << loaded.second;
        allCaptures += " " + captures;
    }

    // Our own reports over the same captures.
    const auto reports =
        shell(analyzer + " -q -z radius,stats -z radius,clients" + allCaptures, folder.path());
    ASSERT_EQ(reports.first, 0) << reports.second;
    std::smatch all;
    ASSERT_TRUE(
        std::regex_search(reports.second, all, std::regex(R"(All RADIUS messages +(\d+))")));
    // On these captures every response answers one waiting request: the responses a
    // client received are the requests it had answered.
    EXPECT_NE(reports.second.find("Responses without a request                           0"),
              std::string::npos);
    EXPECT_NE(reports.second.find("Retransmitted requests                                0"),
              std::string::npos);

    const auto total = query(first, "SELECT count() FROM radius_messages_all");
    EXPECT_EQ(total.second, std::string(all[1]) + "\n");
    // Both shards hold rows: the Distributed table spread them.
    for (const auto* shard : {&first, &second})
        EXPECT_NE(query(*shard, "SELECT count() FROM radius_messages").second, "0\n");

    const auto byCode = query(first, "SELECT code, count() FROM radius_messages_all GROUP BY code");
    const auto codes = statisticsByCode(reports.second);
    EXPECT_EQ(codes.size(), 5u); // the codes the bench capture and the samples hold
    EXPECT_EQ(pairs(byCode.second), codes);

    const auto answered = query(first, "SELECT client, countIf(code IN (2, 3, 5, 11, 41, 42, 44, "
                                       "45)) FROM radius_messages_all GROUP BY client");
    const auto expected = answeredByClient(reports.second);
    EXPECT_EQ(expected.size(), 2002u);
    EXPECT_TRUE(pairs(answered.second) == expected);

    // The exchange columns: every response names its request, and as many requests name
    // their response.
    const auto linked = query(
        first, "SELECT countIf(requestFrame IS NOT NULL) = countIf(code IN (2, 3, 5, 11, 41, 42, "
               "44, 45)), countIf(responseFrame IS NOT NULL) = countIf(requestFrame IS NOT NULL), "
               "countIf(responseTime > 0) > 0 FROM radius_messages_all");
    EXPECT_EQ(linked.second, "1\t1\t1\n");
}
