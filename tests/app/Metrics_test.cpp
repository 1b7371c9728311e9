// --metrics from the command line's side: a run over files serves its totals until a
// signal (Ctrl+C, or a service manager's SIGTERM) ends it without a fault; a second run
// asking for the same port is one error, not a second server that would take half the
// scrapes.
#include "RunAnalyzer.hpp"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

TEST(Metrics, AfterTheFilesItServesUntilInterruptedAndKeepsItsPort) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap";
    testing_support::TemporaryFolder folder;
    const auto errors = folder.path() / "errors";
    const auto status = folder.path() / "status";
    const auto command =
        "env RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() + " " +
        RADIUS_ANALYZER_EXECUTABLE + " -q -z radius,stats --metrics 127.0.0.1:0 " + capture +
        " >/dev/null 2>" + errors.string() + " & echo $! >" + (folder.path() / "pid").string() +
        "; wait $!; echo $? >" + status.string();
    std::thread shell([&] { std::system(command.c_str()); });
    std::string log; // what `port` points into: it must outlive the match
    std::smatch port;
    bool serving = false;
    // Slow under the sanitizers: the signal must not come before the run can take it.
    for (int i = 0; i < 3000 && !serving; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log = testing_support::contents(errors);
        serving = std::regex_search(
            log, port,
            std::regex(
                R"(all captures read; serving their metrics on http://127\.0\.0\.1:(\d+)/)"));
    }
    EXPECT_TRUE(serving) << log;
    if (serving) {
        const auto second =
            testing_support::runAnalyzer("-q --metrics 127.0.0.1:" + port[1].str() + " " + capture);
        EXPECT_EQ(second.status, 1);
        EXPECT_EQ(second.output,
                  "radius-analyzer: --metrics: cannot listen on 127.0.0.1:" + port[1].str() +
                      " (the port is in use, or the address is not this "
                      "machine's)\n");
    }
    // SIGTERM, since a background job of a shell script ignores SIGINT until the run sets
    // its own handler; a run that never served is ended for good.
    ::kill(std::stoi(testing_support::contents(folder.path() / "pid")),
           serving ? SIGTERM : SIGKILL);
    shell.join();
    if (serving) {
        EXPECT_EQ(testing_support::contents(status), "0\n");
    }
}
