// --metrics against the real Prometheus: Debian's server scrapes a live capture of the
// loopback interface every second while the test sends RADIUS requests over it, and its
// query API must answer the number sent; promtool must find the scraped text clean.
#include "ServerProcess.hpp"
#include "TestSupport.hpp"

#include <arpa/inet.h>
#include <array>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <regex>

namespace {

namespace fs = std::filesystem;
using testing_support::fileText;
using testing_support::ServerProcess;
using testing_support::waitUntil;

// An Access-Request with a User-Name, identifier `id`.
std::vector<std::uint8_t> accessRequest(std::uint8_t id) {
    std::vector<std::uint8_t> message = {1, id, 0, 0};
    for (int i = 0; i < 16; ++i)
        message.push_back(static_cast<std::uint8_t>(id * 7 + i));
    const std::string user = "user" + std::to_string(id);
    message.push_back(1);
    message.push_back(static_cast<std::uint8_t>(2 + user.size()));
    message.insert(message.end(), user.begin(), user.end());
    message[3] = static_cast<std::uint8_t>(message.size());
    return message;
}

void sendRequests(int port, int count) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < count; ++i) {
        const auto message = accessRequest(static_cast<std::uint8_t>(i));
        ::sendto(s, message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    ::close(s);
}

// What Prometheus answers for an instant query, as the text of its one value.
std::optional<std::string> queryValue(int port, const std::string& query) {
    httplib::Client client("127.0.0.1", port);
    const httplib::Params params{{"query", query}};
    auto response = client.Get("/api/v1/query", params, httplib::Headers{});
    if (!response || response->status != 200)
        return std::nullopt;
    const auto answer = nlohmann::json::parse(response->body, nullptr, false);
    if (answer.is_discarded() || !answer.contains("data") || answer["data"]["result"].empty())
        return std::nullopt;
    const std::string value = answer["data"]["result"][0]["value"][1];
    return value;
}

} // namespace

TEST(Prometheus, ScrapesTheRequestsSentDuringALiveCapture) {
    const auto prometheus = testing_support::findProgram("prometheus");
    const auto promtool = testing_support::findProgram("promtool");
    if (prometheus.empty() || promtool.empty())
        GTEST_SKIP() << "Debian's prometheus package (prometheus, promtool) is not installed";
    testing_support::TemporaryFolder folder;

    // The analyzer on lo, on a port of its own so that other tests' traffic stays out.
    const int radiusPort = testing_support::freeLoopbackPort();
    const auto analyzerLog = folder.path() / "analyzer.log";
    ServerProcess analyzer({RADIUS_ANALYZER_EXECUTABLE, "-i", "lo", "-q", "--metrics",
                            "127.0.0.1:0", "-d",
                            "udp.port==" + std::to_string(radiusPort) + ",RADIUS", "-f",
                            "udp port " + std::to_string(radiusPort)},
                           analyzerLog);
    ASSERT_TRUE(analyzer.started());
    waitUntil(
        [&] {
            const auto log = fileText(analyzerLog);
            return !analyzer.running() || log.find("Capturing on 'lo'") != std::string::npos;
        },
        20);
    if (!analyzer.running())
        GTEST_SKIP() << "cannot capture on lo here: " << fileText(analyzerLog);
    std::smatch found;
    const auto log = fileText(analyzerLog);
    ASSERT_TRUE(std::regex_search(log, found,
                                  std::regex(R"(Serving metrics on http://127\.0\.0\.1:(\d+)/)")))
        << log;
    const int metricsPort = std::stoi(found[1]);

    // Prometheus scraping it every second, its data in the temporary folder.
    const int prometheusPort = testing_support::freeLoopbackPort();
    {
        std::ofstream config(folder.path() / "prometheus.yml");
        config << "global:\n  scrape_interval: 1s\n"
               << "scrape_configs:\n  - job_name: radius\n    static_configs:\n"
               << "      - targets: ['127.0.0.1:" << metricsPort << "']\n";
    }
    ServerProcess server({prometheus,
                          "--config.file=" + (folder.path() / "prometheus.yml").string(),
                          "--storage.tsdb.path=" + (folder.path() / "data").string(),
                          "--web.listen-address=127.0.0.1:" + std::to_string(prometheusPort)},
                         folder.path() / "prometheus.log");
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(waitUntil([&] { return queryValue(prometheusPort, "up").has_value(); }, 30))
        << fileText(folder.path() / "prometheus.log");

    constexpr int sent = 50;
    sendRequests(radiusPort, sent);
    std::optional<std::string> total;
    waitUntil(
        [&] {
            total = queryValue(prometheusPort, "sum(radius_requests_total)");
            return total == std::to_string(sent);
        },
        30);
    EXPECT_EQ(total.value_or("no answer"), std::to_string(sent));
    EXPECT_EQ(queryValue(prometheusPort, "sum(radius_messages_total{code=\"Access-Request\"})")
                  .value_or("no answer"),
              std::to_string(sent));

    // The scraped text passes Prometheus's own linter.
    httplib::Client client("127.0.0.1", metricsPort);
    const auto scrape = client.Get("/metrics");
    ASSERT_TRUE(scrape);
    {
        std::ofstream out(folder.path() / "scrape.txt");
        out << scrape->body;
    }
    const auto check = promtool + " check metrics <" + (folder.path() / "scrape.txt").string() +
                       " >" + (folder.path() / "promtool.txt").string() + " 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << fileText(folder.path() / "promtool.txt");
}
