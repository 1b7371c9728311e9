// -b: a recording split into a row or ring of files, and -a: a run that stops itself.
// Every kept frame must be in exactly one file, in order, each file whole under its
// final name, even when a signal ends the run in the middle of a file.
#include "PipeFeed.hpp"
#include "RunAnalyzer.hpp"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testing_support::runAnalyzer;

// What tells every message of the bench capture from the others, whichever file holds it.
const std::string fields =
    "-T fields -e radiusCode -e radiusIdentifier -e radiusSize -e radiusAuthenticator ";

// The files of the recording "ring.pcapng" in `folder`, in the order they were written.
std::vector<fs::path> ringFiles(const fs::path& folder) {
    static const std::regex name(R"(ring_\d{5}_\d{14}\.pcapng)");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (std::regex_match(entry.path().filename().string(), name))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(RingFiles, EveryFrameIsInExactlyOneFileInOrder) {
    testing_support::TemporaryFolder work;
    const auto capture = testing_support::benchCapture(work.path(), 6000);
    ASSERT_FALSE(capture.empty());
    const auto all = runAnalyzer(fields + capture);
    ASSERT_EQ(all.status, 0) << all.output;
    struct Case {
        const char* conditions;
        std::uintmax_t largestFile; // 0: any size
        std::size_t files;          // 0: more than one, any number
        bool newestOnly;            // a ring: the files hold the end of the capture
    };
    const Case cases[] = {
        {"-b filesize:100", 100000, 0, false},
        {"-b duration:1", 0, 0, false},
        {"-b filesize:100 -b files:3", 100000, 3, true},
        {"-b duration:1 -b files:2", 0, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conditions);
        testing_support::TemporaryFolder folder;
        const auto run = runAnalyzer("-q -w " + (folder.path() / "ring.pcapng").string() + " " +
                                     c.conditions + " " + capture);
        ASSERT_EQ(run.status, 0) << run.output;
        const auto files = ringFiles(folder.path());
        if (c.files)
            EXPECT_EQ(files.size(), c.files);
        else
            EXPECT_GT(files.size(), 1u);
        std::string joined;
        for (const auto& file : files) {
            if (c.largestFile) {
                EXPECT_LE(fs::file_size(file), c.largestFile) << file;
            }
            const auto part = runAnalyzer(fields + file.string());
            EXPECT_EQ(part.status, 0) << part.output;
            joined += part.output;
        }
        // Nothing else is left behind: no temporary file, no file of another name.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  static_cast<std::ptrdiff_t>(files.size()));
        if (c.newestOnly) {
            ASSERT_LT(joined.size(), all.output.size());
            EXPECT_TRUE(all.output.ends_with(joined));
            EXPECT_GT(lineCount(joined), 0u);
        } else {
            EXPECT_EQ(lineCount(joined), lineCount(all.output));
            EXPECT_TRUE(joined == all.output);
        }
    }
}

TEST(RingFiles, StopConditionsEndTheRun) {
    testing_support::TemporaryFolder work;
    const auto capture = testing_support::benchCapture(work.path(), 6000);
    ASSERT_FALSE(capture.empty());
    const auto first = runAnalyzer(fields + "-c 250 " + capture);
    struct Case {
        const char* conditions;
        std::size_t lines;
    } cases[] = {
        {"-a packets:250", 250},
        // The capture spans about two seconds of capture time.
        {"-a duration:1", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.conditions);
        const auto run = runAnalyzer(fields + c.conditions + " " + capture);
        EXPECT_EQ(run.status, 0) << run.output;
        if (c.lines) {
            EXPECT_EQ(lineCount(run.output), c.lines);
            EXPECT_TRUE(run.output == first.output);
        } else {
            EXPECT_GT(lineCount(run.output), 0u);
            EXPECT_LT(lineCount(run.output), 6000u);
        }
    }
}

TEST(RingFiles, ASignalClosesTheOpenFileWhole) {
    testing_support::TemporaryFolder work;
    const auto capture = testing_support::benchCapture(work.path(), 20000);
    ASSERT_FALSE(capture.empty());
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        testing_support::TemporaryFolder folder;
        testing_support::PipeFeed feed(folder.path(), capture, fs::file_size(capture) / 2);
        const auto pidFile = folder.path() / "pid";
        const auto command =
            "env RADIUS_ANALYZER_DEFAULTS=" + (folder.path() / "defaults.plist").string() + " " +
            RADIUS_ANALYZER_EXECUTABLE + " -q -w " + (folder.path() / "ring.pcapng").string() +
            " -b filesize:300 " + feed.path() + " >/dev/null 2>&1 & echo $! >" + pidFile.string() +
            "; wait $!";
        std::thread shell([&] { std::system(command.c_str()); });
        // Wait until the second file is being written: the first is closed and in place.
        for (int i = 0; i < 500 && ringFiles(folder.path()).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_FALSE(ringFiles(folder.path()).empty());
        ::kill(std::stoi(testing_support::contents(pidFile)), signal);
        feed.release();
        shell.join();
        const auto files = ringFiles(folder.path());
        ASSERT_GE(files.size(), 2u);
        std::size_t frames = 0;
        for (const auto& file : files) {
            const auto part = runAnalyzer(fields + file.string());
            EXPECT_EQ(part.status, 0) << file << part.output;
            frames += lineCount(part.output);
        }
        EXPECT_GT(frames, 0u);
        EXPECT_LT(frames, 20000u);
    }
}

TEST(RingFiles, AQuietLiveCaptureStopsOnTime) {
    // A port nothing sends to: the capture sees no packet and must still end.
    const auto started = std::chrono::steady_clock::now();
    const auto run = runAnalyzer("-i lo -q -a duration:1 -f 'udp port 9'");
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (run.output.find("Capturing on 'lo'") == std::string::npos)
        GTEST_SKIP() << "cannot capture on lo here: " << run.output;
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_LT(seconds, 10.0);
    EXPECT_NE(run.output.find("0 packets captured"), std::string::npos) << run.output;
}
